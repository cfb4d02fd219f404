#include "app/vomra_server_app.h"

#include <cstdio>

#include <wx/log.h>

#include "app/app_resources.h"
#include "app/control_ids.h"
#include "app/message_box.h"
#include "app/vomra_server_dlg.h"
#include "platform/instance_guard.h"
#include "platform/termination_watch.h"

namespace {

const wchar_t* const kInstanceName = L"VomraServer";

}  // namespace

bool CVomraServerApp::Initialize(int& argc, wxChar** argv) {
    bool initialized = false;
    {
        wxLogNull quiet;
        initialized = wxApp::Initialize(argc, argv);
    }
    if (!initialized)
        std::fputs(
            "VomraServer: no graphical display is available (is DISPLAY set?); "
            "start it from a desktop session.\n",
            stderr);
    return initialized;
}

bool CVomraServerApp::OnInit() {
    Bind(wxEVT_END_SESSION, &CVomraServerApp::OnEndSession, this);
    SetAppName(L"VomraServer");
    useChineseTexts();
    useProgramIcons(loadAppIcons());
    SetClassName(L"VomraServer");
    if (platform::acquireInstanceGuard(kInstanceName) == platform::InstanceGuard::AlreadyRunning) {
        showMessageBox(L"程序已在运行中！在右下角找！", L"提示", wxICON_WARNING);
        // After the box, so that the running copy's window, which stays on
        // top, does not cover it.
        platform::signalRunningInstance(kInstanceName);
        return false;
    }
    return true;
}

// A request from outside to end the program (a logout, kill, Ctrl+C) takes
// the Exit path, so the share stops before the program ends. It is watched
// for from the window's run on: before it no share can be running, and the
// request simply ends the process. A second copy's request brings the window
// to the front.
int CVomraServerApp::OnRun() {
    CVomraServerDlg dialog;
    m_dialog = &dialog;
    if (!dialog.SettingsProblem().empty()) showMessageBox(dialog.SettingsProblem(), L"提示", wxICON_WARNING, &dialog);
    if (!dialog.LeftoverServerNotice().empty())
        showMessageBox(dialog.LeftoverServerNotice(), L"提示", wxICON_INFORMATION, &dialog);
    const platform::TerminationWatch watch([&dialog] { dialog.CallAfter([&dialog] { dialog.EndFromOutside(); }); });
    const platform::InstanceSignalListener secondCopies(
        kInstanceName, [&dialog] { dialog.CallAfter([&dialog] { dialog.BringToFront(); }); });
    const int code = dialog.RunModal();
    m_dialog = nullptr;
    return code;
}

// The Exit path runs at once, as the process ends soon after, and in place
// of wxWidgets' own handling, which would delete the main window without
// closing it and so leave the share running.
void CVomraServerApp::OnEndSession(wxCloseEvent&) {
    if (m_dialog) m_dialog->EndFromOutside();
}
