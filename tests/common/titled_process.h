#pragma once
// A process of the test's own user that shows a given title in the process
// list, as an nginx master does, or as an unrelated process a stale pid file
// names after a crash: a sleep, started through bash's "exec -a", on a thread
// of the test's that waits for it. The destructor kills it.
#include <chrono>
#include <csignal>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "platform/process.h"
#include "tests/common/test_folder.h"

class TitledProcess {
public:
    struct Options {
        bool ownProcessGroup = false;  // as a daemon leads its own; otherwise it joins the test's
        bool ignoresQuit = false;      // SIGQUIT ignored, as the sleep's exec keeps it
    };

    TitledProcess(const std::string& title, Options options) : TitledProcess(title, options, TestFolder("titled")) {}
    explicit TitledProcess(const std::string& title) : TitledProcess(title, Options{}) {}

    ~TitledProcess() {
        if (!run_.valid()) return;  // ended, and exitCode() has read how
        if (pid_ > 0 && !endsWithin(std::chrono::milliseconds(0))) ::kill(static_cast<pid_t>(pid_), SIGKILL);
        run_.wait();
    }
    TitledProcess(const TitledProcess&) = delete;
    TitledProcess& operator=(const TitledProcess&) = delete;

    long pid() const { return pid_; }

    // Whether it ends within `timeout`; once it has, exitCode() says how.
    bool endsWithin(std::chrono::milliseconds timeout) {
        return run_.valid() && run_.wait_for(timeout) == std::future_status::ready;
    }
    // 128 + the signal that ended it.
    int exitCode() { return run_.get().exitCode; }

private:
    TitledProcess(const std::string& title, Options options, const TestFolder& scratch) {
        const std::filesystem::path pidFile = scratch / "pid";
        std::vector<std::string> arguments{"-c",
                                           std::string("echo $$ > \"$1\"; ") +
                                               (options.ignoresQuit ? "trap '' QUIT; " : "") +
                                               "exec -a \"$2\" /bin/sleep 60",
                                           "bash", utf8Of(pidFile), title};
        std::filesystem::path program = "/bin/bash";
        if (options.ownProcessGroup) {
            arguments.insert(arguments.begin(), program.string());
            program = "/usr/bin/setsid";
        }
        run_ = std::async(std::launch::async, [=] { return platform::runProgram(program, arguments); });
        for (int attempt = 0; attempt < 500 && pid_ == 0; ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const std::string text = readFile(pidFile);
            if (text.ends_with('\n')) pid_ = std::stol(text);
        }
        // The title shows once bash has gone over to the sleep.
        for (int attempt = 0;
             attempt < 500 && !readFile("/proc/" + std::to_string(pid_) + "/cmdline").starts_with(title); ++attempt)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    long pid_ = 0;
    std::future<platform::ProgramRun> run_;
};
