#pragma once
// The web server as a child of this program, tied to the program's life:
// however the program ends, a crash or kill -9 included, the server ends too.
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// What to run: the program, its arguments (UTF-8) and its working directory.
struct ServerLaunch {
    std::filesystem::path program;
    std::vector<std::string> arguments;
    std::filesystem::path workingDirectory;
};

#ifdef _WIN32
// nginx for Windows lacks openat(), and with it the directive disable_symlinks.
inline constexpr bool kServerChecksLinkOwners = false;
// nginx for Windows reads its arguments in the ANSI code page, which cannot
// spell every folder name; it runs in the foreground and finds its files
// below its working directory without them.
inline constexpr bool kServerTakesPathArguments = false;
#else
inline constexpr bool kServerChecksLinkOwners = true;
inline constexpr bool kServerTakesPathArguments = true;
#endif

// How long the server may take to end when asked before it is killed.
inline constexpr std::chrono::milliseconds kServerStopGrace{2000};

class ServerProcess {
public:
    // Starts the server; nullptr, with `error` saying why, when it cannot run.
    // On POSIX the child gets the parent-death signal SIGTERM (nginx's fast
    // shutdown, which ends its workers too); it fires when the thread that
    // started it ends, so start it from the main thread. On Windows the child
    // runs in a job that ends it when the program's handle to the job closes.
    static std::unique_ptr<ServerProcess> start(const ServerLaunch& launch, std::string& error);

    // Ends the server as stop() does.
    virtual ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Asks the server to end, waits kServerStopGrace, then kills what is left
    // of it (its own processes included) and waits for that. Later calls do nothing.
    virtual void stop();

    // Whether the started process still runs. On POSIX a process found
    // ended is reaped here; stop() then ends only what it left behind.
    virtual bool running();

    // Has the running server read its configuration again: new workers take
    // new connections, the old ones finish what they serve and end. POSIX:
    // SIGHUP to the server; Windows: "nginx.exe -s reload" run from the
    // server's working directory, waited for kServerStopGrace at most.
    // Returns false when the request could not be made.
    virtual bool reload();

    // The process id of the started process (0 when none).
    long id() const { return m_id; }

protected:
    ServerProcess() = default;

private:
    long m_id = 0;
    void* m_process = nullptr;  // Windows: the process handle
    void* m_job = nullptr;      // Windows: the job that holds it
    ServerLaunch m_launch;      // Windows: what reload runs again, with "-s reload"
    bool m_ended = true;        // stop() has run, or nothing was started
    bool m_exited = false;      // POSIX: running() found the process ended and reaped it
};

// The global directive that makes nginx's workers run as the owner of
// `folder`, when the program runs with the rights to choose (as root);
// empty otherwise, and on Windows.
std::string workerUserDirective(const std::filesystem::path& folder);

// When the program runs as root, the owner of `folder` as numbers
// ("<user id>:<group id>") if the user or the group has no name on this
// system: workerUserDirective cannot hand the workers to such an owner, and
// the unprivileged user they keep cannot read the password file, so every
// request would fail. nullopt otherwise, and on Windows.
std::optional<std::string> folderOwnerWithoutAccount(const std::filesystem::path& folder);

// Makes `file` the property of `folder`'s owner when workerUserDirective
// hands the workers to that owner, so that they can read it; does nothing
// otherwise. Returns false when the change failed.
bool giveToFolderOwner(const std::filesystem::path& file, const std::filesystem::path& folder);

// Whether a process with this id is alive.
bool processAlive(long id);

}  // namespace platform
