// MirroredScene: a render rank's copy of the host's object table, kept up to
// date from the host's create, destroy and record messages.
//
// Records are applied through the table's copy-on-write edit, exactly as
// the host's own edits are: a frame in flight keeps the versions it
// references while newer ones arrive. Instances are the host's: the table
// hands out instances in order, so a record for an instance past the end
// first fills the gap (with slots emptied again, as the host's destroyed
// objects are).
//
// Shader records name a plug-in library and shader; the rank loads the same
// plug-in before the record's values are read into it. A shader whose
// library cannot be found yet (the host's shader path arrives with its
// device settings, which come last at set-up) is tried again before each
// frame.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "scene/object_table.h"
#include "scene/settings_records.h"

namespace hox_cluster {

class MirroredScene {
public:
    // `shaderPath` overrides the hosts' shader path when not empty.
    explicit MirroredScene(std::string shaderPath);
    ~MirroredScene();
    MirroredScene(const MirroredScene&) = delete;
    MirroredScene& operator=(const MirroredScene&) = delete;

    // Forgets every object (a new host).
    void reset();

    // 0, or an error code of error_codes.h; every refusal is logged.
    int create(int type, int instance);
    int destroy(int type, int instance);
    int applyRecord(int stamp, int type, int instance, const uint8_t* data, std::size_t size);

    // Before a frame: the frame's shader path (unless overridden), another
    // try for shaders that did not load, and new versions for shaders whose
    // texture or shader references changed. Returns how many shaders still
    // have no plug-in.
    int prepareForFrame(int frameNumber, const hox::scene::DeviceSettingsData& settings);

    hox::scene::ObjectTable& table() { return table_; }

    // The largest instance a message may name: the table would have to
    // make every slot below it.
    static constexpr int kMaxInstance = 1 << 22;

private:
    // Makes the slot of `instance` exist. False when it cannot (out of
    // range, memory, or a slot the host destroyed).
    bool ensureSlot(int type, int instance);
    int applyShader(int stamp, int instance, const uint8_t* data, std::size_t size);
    void useSearchPath(const std::string& path);

    hox::scene::ObjectTable table_;
    std::string overridePath_;
    std::string currentPath_;
    bool pathSet_ = false;
    std::string failedPath_;  // the path of the last shader that did not load
    // Shader records whose plug-in did not load: instance → (stamp, bytes).
    std::map<int, std::pair<int, std::vector<uint8_t>>> unloadedShaders_;
};

}  // namespace hox_cluster
