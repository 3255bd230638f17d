#include "input_script.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace hox_view {

namespace {

// Long enough for any test or demonstration, short enough that a typo in a
// number cannot keep the viewer running for days.
constexpr int kMaxWaitFrames = 100000;
constexpr int kMaxDragSteps = 1000;
// Coordinates far outside any window still make sense (a drag may leave
// it), but not beyond what the arithmetic on them can hold.
constexpr int kMaxCoordinate = 1000000;

bool readInt(const std::string& word, int low, int high, int& out) {
    if (word.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(word.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return false;
    out = static_cast<int>(value);
    return true;
}

class LineParser {
public:
    LineParser(std::vector<ScriptStep>& steps, int line) : m_steps(steps), m_line(line) {}

    bool parse(const std::vector<std::string>& words, std::string& error) {
        const std::string& command = words[0];
        const size_t args = words.size() - 1;
        if (command == "wait") {
            int frames = 0;
            if (args != 1 || !readInt(words[1], 0, kMaxWaitFrames, frames))
                return fail(error, "wait takes a frame count from 0 to " + std::to_string(kMaxWaitFrames));
            wait(frames);
        } else if (command == "click") {
            int x = 0, y = 0;
            if (args != 2 || !coordinate(words[1], x) || !coordinate(words[2], y))
                return fail(error, "click takes X Y");
            mouse(InputEvent::kMouseDown, MouseButton::kLeft, x, y, false);
            mouse(InputEvent::kMouseUp, MouseButton::kLeft, x, y, false);
        } else if (command == "drag" || command == "shiftdrag") {
            const bool shift = command == "shiftdrag";
            const size_t first = shift ? 1 : 2;
            MouseButton button = MouseButton::kLeft;
            if (!shift && (args < 1 || !buttonFrom(words[1], button)))
                return fail(error, "drag takes left, middle or right, then X0 Y0 X1 Y1 [STEPS]");
            int p[4] = {0, 0, 0, 0};
            int steps = 8;
            const size_t given = words.size() - first;
            bool ok = given == 4 || given == 5;
            for (size_t i = 0; ok && i < 4; ++i) ok = coordinate(words[first + i], p[i]);
            if (ok && given == 5) ok = readInt(words[first + 4], 1, kMaxDragSteps, steps);
            if (!ok) return fail(error, command + " takes X0 Y0 X1 Y1 [STEPS], STEPS from 1 to 1000");
            drag(button, shift, p, steps);
        } else if (command == "scroll") {
            int steps = 0;
            if (args != 1 || !readInt(words[1], -1000, 1000, steps))
                return fail(error, "scroll takes a step count from -1000 to 1000");
            InputEvent e;
            e.kind = InputEvent::kWheel;
            e.dy = steps;
            input(e);
        } else if (command == "key" || command == "hold") {
            const ViewerKey key = args >= 1 ? keyFromName(words[1]) : ViewerKey::kNone;
            int frames = 1;
            if (args < 1 || key == ViewerKey::kNone)
                return fail(error, command + " needs a key the viewer knows");
            if (command == "key" ? args != 1 : (args != 2 || !readInt(words[2], 1, kMaxWaitFrames, frames)))
                return fail(error, command == "key" ? "key takes one key name" : "hold takes NAME FRAMES");
            InputEvent e;
            e.kind = InputEvent::kKeyDown;
            e.key = key;
            input(e);
            // Held keys act once per frame, so the wait decides how far a
            // held fly key carries the camera.
            if (command == "hold") wait(frames);
            e.kind = InputEvent::kKeyUp;
            input(e);
        } else if (command == "screenshot") {
            if (args != 1) return fail(error, "screenshot takes one file name (no spaces)");
            ScriptStep step = make(ScriptStep::kScreenshot);
            step.path = words[1];
            m_steps.push_back(step);
        } else if (command == "quit") {
            if (args != 0) return fail(error, "quit takes nothing");
            m_steps.push_back(make(ScriptStep::kQuit));
        } else {
            return fail(error, "unknown command \"" + command + "\"");
        }
        return true;
    }

private:
    static bool coordinate(const std::string& word, int& out) {
        return readInt(word, -kMaxCoordinate, kMaxCoordinate, out);
    }

    static bool buttonFrom(const std::string& word, MouseButton& button) {
        if (word == "left") button = MouseButton::kLeft;
        else if (word == "middle") button = MouseButton::kMiddle;
        else if (word == "right") button = MouseButton::kRight;
        else return false;
        return true;
    }

    bool fail(std::string& error, const std::string& what) const {
        error = "script line " + std::to_string(m_line) + ": " + what;
        return false;
    }

    ScriptStep make(ScriptStep::Kind kind) const {
        ScriptStep step;
        step.kind = kind;
        step.line = m_line;
        return step;
    }

    void input(const InputEvent& event) {
        ScriptStep step = make(ScriptStep::kInput);
        step.event = event;
        m_steps.push_back(step);
    }

    void wait(int frames) {
        ScriptStep step = make(ScriptStep::kWait);
        step.frames = frames;
        m_steps.push_back(step);
    }

    void mouse(InputEvent::Kind kind, MouseButton button, int x, int y, bool shift, int dx = 0, int dy = 0) {
        InputEvent e;
        e.kind = kind;
        e.button = button;
        e.x = x;
        e.y = y;
        e.dx = dx;
        e.dy = dy;
        e.shift = shift;
        input(e);
    }

    // One move per frame, so that the camera really moves while frames are
    // rendered, as under a hand.
    void drag(MouseButton button, bool shift, const int p[4], int steps) {
        mouse(InputEvent::kMouseDown, button, p[0], p[1], shift);
        int x = p[0], y = p[1];
        for (int i = 1; i <= steps; ++i) {
            const int nx = p[0] + static_cast<int>(static_cast<long long>(p[2] - p[0]) * i / steps);
            const int ny = p[1] + static_cast<int>(static_cast<long long>(p[3] - p[1]) * i / steps);
            mouse(InputEvent::kMouseMove, button, nx, ny, shift, nx - x, ny - y);
            wait(1);
            x = nx;
            y = ny;
        }
        mouse(InputEvent::kMouseUp, button, x, y, shift);
    }

    std::vector<ScriptStep>& m_steps;
    int m_line;
};

}  // namespace

bool parseScript(const std::string& text, std::vector<ScriptStep>& steps, std::string& error) {
    steps.clear();
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        const size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::vector<std::string> parts;
        for (std::string word; words >> word;) parts.push_back(word);
        if (parts.empty()) continue;
        LineParser parser(steps, number);
        if (!parser.parse(parts, error)) {
            steps.clear();
            return false;
        }
    }
    return true;
}

bool loadScript(const std::string& path, std::vector<ScriptStep>& steps, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read the script " + path;
        return false;
    }
    std::stringstream text;
    text << file.rdbuf();
    return parseScript(text.str(), steps, error);
}

}  // namespace hox_view
