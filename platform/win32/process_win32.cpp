#include "platform/process.h"

#include <algorithm>
#include <vector>
#include <windows.h>

#include "platform/win32/command_line_win32.h"

namespace platform {
namespace {

// The handles the child is given: the read end of its input pipe and the
// null device for its output. Only these two are inherited, through the
// handle list, whatever other handles of the program are inheritable.
class ChildHandles {
public:
    ChildHandles() {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        if (!CreatePipe(&m_inputRead, &m_inputWrite, &inheritable, 0)) return;
        SetHandleInformation(m_inputWrite, HANDLE_FLAG_INHERIT, 0);
        m_output = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_output == INVALID_HANDLE_VALUE) return;
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        m_attributeBuffer.resize(size);
        auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_attributeBuffer.data());
        if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) return;
        m_attributes = attributes;
        m_inherited[0] = m_inputRead;
        m_inherited[1] = m_output;
        if (!UpdateProcThreadAttribute(m_attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, m_inherited,
                                       sizeof m_inherited, nullptr, nullptr))
            return;
        m_ready = true;
    }
    ~ChildHandles() {
        if (m_attributes) DeleteProcThreadAttributeList(m_attributes);
        closeChildEnds();
        closeHandle(m_inputWrite);
    }
    ChildHandles(const ChildHandles&) = delete;
    ChildHandles& operator=(const ChildHandles&) = delete;

    bool ready() const { return m_ready; }

    STARTUPINFOEXW startup() const {
        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = m_inputRead;
        startup.StartupInfo.hStdOutput = m_output;
        startup.StartupInfo.hStdError = m_output;
        startup.lpAttributeList = m_attributes;
        return startup;
    }

    // Once the child has its copies: the pipe then breaks when the child ends.
    void closeChildEnds() {
        closeHandle(m_inputRead);
        closeHandle(m_output);
    }

    // Writes all of `text` and closes the pipe, so the child reads it and then
    // the end of its input. A child that ended without reading breaks the pipe,
    // which ends the writing.
    void sendAndClose(const std::string& text) {
        std::size_t sent = 0;
        while (sent < text.size()) {
            DWORD written = 0;
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - sent, 1 << 16));
            if (!WriteFile(m_inputWrite, text.data() + sent, chunk, &written, nullptr) || written == 0) break;
            sent += written;
        }
        closeHandle(m_inputWrite);
    }

private:
    static void closeHandle(HANDLE& handle) {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        handle = nullptr;
    }

    HANDLE m_inputRead = nullptr;
    HANDLE m_inputWrite = nullptr;
    HANDLE m_output = nullptr;
    HANDLE m_inherited[2] = {};  // the attribute list points here
    std::vector<char> m_attributeBuffer;
    LPPROC_THREAD_ATTRIBUTE_LIST m_attributes = nullptr;
    bool m_ready = false;
};

}  // namespace

// A bare name goes to CreateProcessW as the command line's first word alone,
// which the system looks up (with ".exe") as the search path says.
ProgramRun runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                      const std::string& standardInput) {
    ChildHandles handles;
    if (!handles.ready()) return {};
    std::wstring commandLine = commandLineOf(program, arguments);
    STARTUPINFOEXW startup = handles.startup();
    PROCESS_INFORMATION created{};
    const wchar_t* applicationName = program.has_parent_path() ? program.c_str() : nullptr;
    if (!CreateProcessW(applicationName, commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr, &startup.StartupInfo,
                        &created))
        return {};
    CloseHandle(created.hThread);
    handles.closeChildEnds();
    handles.sendAndClose(standardInput);
    WaitForSingleObject(created.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(created.hProcess, &exitCode);
    CloseHandle(created.hProcess);
    return {true, static_cast<int>(exitCode)};
}

}  // namespace platform
