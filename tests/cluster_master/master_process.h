// The cluster master under test, started as a user starts it (mpirun -np N
// hox-cluster-master on a free loopback port), its log in a file. Every
// wait is bounded and the process group killed if it does not stop.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cluster/test_socket.h"

extern char** environ;

namespace cluster_master_test {

class MasterProcess {
public:
    // Starts the job and waits (at most `seconds`) until rank 0 listens.
    bool start(int ranks, double seconds = 30.0) {
        port_ = cluster_test::unusedPort();
        log_ = std::string(HOX_TEST_LOG_DIR) + "/cluster_master_" + std::to_string(port_) + ".log";
        std::vector<std::string> args = {HOX_MPIRUN, "--bind-to", "none", "--oversubscribe", "--allow-run-as-root",
                                         "-np", std::to_string(ranks), HOX_CLUSTER_MASTER_PROGRAM,
                                         "--port", std::to_string(port_), "--shader-path", HOX_STDSHADERS_DIR,
                                         "--threads", "1", "--verbose"};
        // Open MPI's internals are kept out of a thread-sanitizer run's reports.
        std::vector<std::string> variables;
        std::string tsan = "TSAN_OPTIONS=";
        for (char** e = environ; *e; ++e) {
            const std::string variable = *e;
            if (variable.rfind(tsan, 0) == 0)
                tsan = variable + ":";
            else
                variables.push_back(variable);
        }
        variables.push_back(tsan + "suppressions=" + HOX_MPI_SANITIZER_SUPPRESSIONS);
        std::vector<char*> argv, envp;
        for (std::string& a : args) argv.push_back(&a[0]);
        for (std::string& v : variables) envp.push_back(&v[0]);
        argv.push_back(nullptr);
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        // A group of its own, so that the ranks die together.
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        const int status = posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        if (status != 0) {
            pid_ = -1;
            return false;
        }
        return waitForLog("listening on port " + std::to_string(port_), seconds);
    }

    // SIGTERM, then SIGKILL after `seconds`: the exit status, or -1 if killed.
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
        int status = 0;
        return pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == 0;
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
        while (std::chrono::steady_clock::now() < deadline && running()) {
            if (logCount(part) >= atLeast) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return logCount(part) >= atLeast;
    }
    int port() const { return port_; }
    void removeLog() const { std::remove(log_.c_str()); }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    std::string log_;
};

}  // namespace cluster_master_test
