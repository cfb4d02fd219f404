#include "platform/server_process.h"

#include <windows.h>

#include "platform/win32/command_line_win32.h"

namespace platform {
namespace {

std::string lastErrorText() {
    return "Windows error " + std::to_string(GetLastError());
}

// A job whose processes all end when its last handle closes, which the
// system does for a program that ends in any way.
HANDLE createKillOnCloseJob() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

}  // namespace

// The process starts suspended and runs only once it is in the job, so no
// process of its own can escape the job before that.
std::unique_ptr<ServerProcess> ServerProcess::start(const ServerLaunch& launch, std::string& error) {
    std::wstring commandLine = commandLineOf(launch.program, launch.arguments);

    HANDLE job = createKillOnCloseJob();
    if (job == nullptr) {
        error = lastErrorText();
        return nullptr;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    const std::wstring directory = launch.workingDirectory.wstring();
    if (!CreateProcessW(launch.program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, directory.c_str(), &startup, &created)) {
        error = lastErrorText();
        CloseHandle(job);
        return nullptr;
    }
    if (!AssignProcessToJobObject(job, created.hProcess)) {
        error = lastErrorText();
        TerminateProcess(created.hProcess, 1);
        CloseHandle(created.hThread);
        CloseHandle(created.hProcess);
        CloseHandle(job);
        return nullptr;
    }
    ResumeThread(created.hThread);
    CloseHandle(created.hThread);

    std::unique_ptr<ServerProcess> server(new ServerProcess);
    server->m_id = static_cast<long>(created.dwProcessId);
    server->m_process = created.hProcess;
    server->m_job = job;
    server->m_launch = launch;
    server->m_ended = false;
    return server;
}

ServerProcess::~ServerProcess() {
    ServerProcess::stop();
}

// nginx for Windows takes its quit request through the pid file, which this
// does not trust; the job ends the server and every process it started.
void ServerProcess::stop() {
    if (m_ended) return;
    m_ended = true;
    TerminateJobObject(m_job, 1);
    WaitForSingleObject(m_process, static_cast<DWORD>(kServerStopGrace.count()));
    CloseHandle(m_process);
    CloseHandle(m_job);
    m_process = m_job = nullptr;
}

bool ServerProcess::running() {
    return !m_ended && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

// The reload request finds the running master through the pid file that
// master wrote, in the working directory they share.
bool ServerProcess::reload() {
    if (!running()) return false;
    std::wstring commandLine = commandLineOf(m_launch.program, {"-s", "reload"});
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    const std::wstring directory = m_launch.workingDirectory.wstring();
    if (!CreateProcessW(m_launch.program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, directory.c_str(), &startup, &created))
        return false;
    CloseHandle(created.hThread);
    DWORD code = 1;
    if (WaitForSingleObject(created.hProcess, static_cast<DWORD>(kServerStopGrace.count())) == WAIT_OBJECT_0)
        GetExitCodeProcess(created.hProcess, &code);
    else
        TerminateProcess(created.hProcess, 1);
    CloseHandle(created.hProcess);
    return code == 0;
}

std::string workerUserDirective(const std::filesystem::path&) {
    return {};
}

std::optional<std::string> folderOwnerWithoutAccount(const std::filesystem::path&) {
    return std::nullopt;
}

bool giveToFolderOwner(const std::filesystem::path&, const std::filesystem::path&) {
    return true;
}

bool processAlive(long id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) return false;
    const bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return alive;
}

}  // namespace platform
