// The cluster master under test, started as a user starts it:
// mpirun -np 3 hox-cluster-master on a free loopback port, with its log in a
// file. Every wait is bounded; the process group is killed if it does not
// stop in time, so a broken master cannot hang the test run.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace cluster_master_test {

// A port nobody listens on right now (the system's choice for port 0).
inline int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ::close(fd);
    return port;
}

class MasterProcess {
public:
    // Starts the job and waits (at most `seconds`) until rank 0 listens.
    bool start(int ranks, double seconds = 30.0) {
        port_ = freePort();
        log_ = std::string(HOX_TEST_LOG_DIR) + "/cluster_master_" + std::to_string(port_) + ".log";
        std::vector<std::string> args = {HOX_MPIRUN,
                                         "--bind-to",
                                         "none",
                                         "--oversubscribe",
                                         "--allow-run-as-root",
                                         "-np",
                                         std::to_string(ranks),
                                         HOX_CLUSTER_MASTER_PROGRAM,
                                         "--port",
                                         std::to_string(port_),
                                         "--shader-path",
                                         HOX_STDSHADERS_DIR,
                                         "--threads",
                                         "1",
                                         "--verbose"};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);

        // The environment passed on, with Open MPI's internals kept out of
        // a thread-sanitizer run's reports (only the ranks are built with
        // it; see mpi_sanitizer.supp).
        std::vector<std::string> variables;
        std::string tsan = "TSAN_OPTIONS=";
        for (char** e = environ; *e; ++e) {
            const std::string variable = *e;
            if (variable.rfind("TSAN_OPTIONS=", 0) == 0)
                tsan = variable + ":";
            else
                variables.push_back(variable);
        }
        variables.push_back(tsan + "suppressions=" + HOX_MPI_SANITIZER_SUPPRESSIONS);
        std::vector<char*> envp;
        for (std::string& v : variables) envp.push_back(&v[0]);
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        // A group of its own, so that the ranks can be killed together.
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        const int status = posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        if (status != 0) {
            pid_ = -1;
            return false;
        }
        const std::string ready = "listening on port " + std::to_string(port_);
        return waitForLog(ready, seconds);
    }

    // Asks the job to stop (SIGTERM), then kills it after `seconds`.
    // Returns the job's exit status, or -1 when it had to be killed.
    int stop(double seconds = 15.0) {
        if (pid_ <= 0) return -1;
        ::kill(pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        int status = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::kill(-pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return -1;
    }

    ~MasterProcess() {
        if (pid_ > 0) stop(5.0);
    }

    bool running() {
        if (pid_ <= 0) return false;
        int status = 0;
        return ::waitpid(pid_, &status, WNOHANG) == 0;
    }

    std::string log() const {
        std::ifstream in(log_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // How often `part` occurs in the log.
    int logCount(const std::string& part) const {
        const std::string text = log();
        int count = 0;
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
        return count;
    }
    bool waitForLog(const std::string& part, double seconds, int atLeast = 1) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            if (logCount(part) >= atLeast) return true;
            if (!running()) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    int port() const { return port_; }
    // The log stays only for runs that need it looked at.
    void removeLog() const { std::remove(log_.c_str()); }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    std::string log_;
};

// A raw TCP peer for what a real host never does (malformed messages, a
// second host), with bounded waits.
class RawPeer {
public:
    ~RawPeer() { close(); }
    bool connect(int port) {
        close();
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(port));
        return ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool send(const std::vector<uint32_t>& words) {
        const std::size_t size = words.size() * 4;
        return ::send(fd_, words.data(), size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
    }
    bool receive(void* data, std::size_t size, int milliseconds = 5000) {
        char* p = static_cast<char*>(data);
        while (size > 0) {
            pollfd pfd{fd_, POLLIN, 0};
            if (::poll(&pfd, 1, milliseconds) <= 0) return false;
            const ssize_t n = ::recv(fd_, p, size, 0);
            if (n <= 0) return false;
            p += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }
    std::vector<uint32_t> words(int count, int milliseconds = 5000) {
        std::vector<uint32_t> out(static_cast<std::size_t>(count));
        if (!receive(out.data(), out.size() * 4, milliseconds)) out.clear();
        return out;
    }
    // True when the peer closed the connection within the time.
    bool closedByPeer(int milliseconds = 5000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        char c[256];
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd pfd{fd_, POLLIN, 0};
            if (::poll(&pfd, 1, 50) <= 0) continue;
            const ssize_t n = ::recv(fd_, c, sizeof c, 0);
            if (n <= 0) return true;
        }
        return false;
    }

private:
    int fd_ = -1;
};

}  // namespace cluster_master_test
