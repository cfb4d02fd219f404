#pragma once
// An unrelated process of the same user, such as a stale pid file can name
// after a crash: a sleep that keeps the default reaction to every signal (a
// background job of the shell would ignore SIGQUIT). The destructor ends it.
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/common/test_folder.h"
#include "share/command_runner.h"
#include "share/sh_quote.h"

class StrangerProcess {
public:
    // Runs in the foreground of a shell of its own, on a thread of its own,
    // and writes its pid to `pidFile`. What the file held before (the pid of
    // a process that ended) is not taken for the stranger's.
    explicit StrangerProcess(const std::filesystem::path& pidFile)
        : stale_(readFile(pidFile)),
          runner_([line = "echo $$ > " + shQuote(utf8Of(pidFile)) + "; exec sleep 60"] { runShellCommand(line); }) {
        for (int attempt = 0; attempt < 200 && (!pid_.ends_with('\n') || pid_ == stale_); ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            pid_ = readFile(pidFile);
        }
        pid_.pop_back();
    }
    ~StrangerProcess() {
        runShellCommand("kill -KILL " + pid_ + " 2>/dev/null");
        runner_.join();
    }
    StrangerProcess(const StrangerProcess&) = delete;
    StrangerProcess& operator=(const StrangerProcess&) = delete;

    bool alive() const { return !pid_.empty() && std::filesystem::exists("/proc/" + pid_); }

private:
    std::string stale_;
    std::thread runner_;
    std::string pid_;
};
