#include "window_test_support.h"

#include <fstream>
#include <random>
#include <thread>

#include <wx/app.h>
#include <wx/process.h>
#include <wx/taskbar.h>
#include <wx/uiaction.h>
#include <wx/arrstr.h>
#include <wx/utils.h>
#include <wx/window.h>

// Remembers that the program ended; the event loop reports it.
class BackgroundProgram::Watch : public wxProcess {
public:
    bool ended = false;
    void OnTerminate(int, int) override { ended = true; }
};

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        wxTheApp->Yield(true);
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

void processEventsFor(std::chrono::milliseconds duration) {
    waitFor([] { return false; }, duration);
}

wxString commandOutput(const wxString& commandLine) {
    wxArrayString output;
    wxArrayString errors;
    wxExecute(commandLine, output, errors, wxEXEC_SYNC | wxEXEC_NODISABLE);
    return wxJoin(output, L'\n');
}

BackgroundProgram::BackgroundProgram(const wxString& commandLine)
    : m_watch(new Watch), m_pid(wxExecute(commandLine, wxEXEC_ASYNC | wxEXEC_MAKE_GROUP_LEADER, m_watch)) {}

BackgroundProgram::~BackgroundProgram() {
    if (m_pid <= 0) {
        delete m_watch;
        return;
    }
    for (const wxSignal signal : {wxSIGTERM, wxSIGKILL}) {
        if (m_watch->ended) break;
        wxProcess::Kill(static_cast<int>(m_pid), signal, wxKILL_CHILDREN);
        waitFor([this] { return m_watch->ended; }, 3s);
    }
    if (m_watch->ended)
        delete m_watch;
    else
        m_watch->Detach();  // deletes itself once the program is gone
}

bool BackgroundProgram::running() const {
    return m_pid > 0 && !m_watch->ended;
}

void BackgroundProgram::requestEnd() const {
    wxProcess::Kill(static_cast<int>(m_pid), wxSIGTERM);
}

bool BackgroundProgram::waitForEnd(std::chrono::milliseconds timeout) {
    return waitFor([this] { return !running(); }, timeout);
}

Tray::Tray()
    : m_trayer(
          L"trayer --edge top --align left --widthtype request --height 32 "
          L"--SetDockType false --SetPartialStrut false") {
    waitFor(wxTaskBarIcon::IsAvailable);
}

bool Tray::available() const {
    return m_trayer.running() && wxTaskBarIcon::IsAvailable();
}

int Tray::width() const {
    const wxString info = commandOutput(L"xwininfo -name panel");
    const int at = info.Find(L"Width:");
    long width = 0;
    if (at != wxNOT_FOUND) info.Mid(at + 6).BeforeFirst(L'\n').Trim(false).ToLong(&width);
    return static_cast<int>(width);
}

WindowManager::WindowManager() : m_jwm(wxString(L"jwm -f ") + VOMRA_JWM_CONFIG) {
    // jwm announces itself on the root window once it manages the screen.
    waitFor([] { return commandOutput(L"xprop -root -notype _NET_SUPPORTING_WM_CHECK").Contains(L"window id"); });
    processEventsFor(300ms);
}

TemporaryDirectory::TemporaryDirectory() {
    std::random_device random;
    m_path = std::filesystem::temp_directory_path() / ("vomra-app-test-" + std::to_string(random()));
    std::filesystem::create_directories(m_path);
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void TemporaryDirectory::write(const std::string& name, const std::string& content) const {
    std::ofstream(m_path / name, std::ios::binary) << content;
}

void clickAt(const wxPoint& screenPoint, int button) {
    wxUIActionSimulator simulator;
    simulator.MouseMove(screenPoint);
    simulator.MouseClick(button);
}

void focusOn(wxWindow& focus) {
    focus.GetParent()->Raise();
    focus.SetFocus();
    waitFor([&] { return wxWindow::FindFocus() == &focus; });
}

void pressKey(wxWindow& focus, int key) {
    focusOn(focus);
    wxUIActionSimulator().Char(key);
}

void compose(wxWindow& focus, const char* hexCode, int key) {
    focusOn(focus);
    wxUIActionSimulator simulator;
    simulator.Char('u', wxMOD_CONTROL | wxMOD_SHIFT);
    simulator.Text(hexCode);
    simulator.Char(key);
}
