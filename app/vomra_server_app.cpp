#include "app/vomra_server_app.h"

#include <cstdio>

#include <wx/log.h>
#include <wx/msgdlg.h>

#include "app/vomra_server_dlg.h"
#include "platform/instance_guard.h"

bool CVomraServerApp::Initialize(int& argc, wxChar** argv)
{
    bool initialized = false;
    {
        wxLogNull quiet;
        initialized = wxApp::Initialize(argc, argv);
    }
    if (!initialized)
        std::fputs("VomraServer: no graphical display is available (is DISPLAY set?); "
                   "start it from a desktop session.\n", stderr);
    return initialized;
}

bool CVomraServerApp::OnInit()
{
    SetAppName(L"VomraServer");
    SetClassName(L"VomraServer");
    if (platform::acquireInstanceGuard(L"VomraServer") == platform::InstanceGuard::AlreadyRunning) {
        wxMessageBox(L"程序已在运行中！在右下角找！", L"提示", wxOK | wxICON_WARNING);
        return false;
    }
    return true;
}

int CVomraServerApp::OnRun()
{
    CVomraServerDlg dialog;
    if (!dialog.SettingsProblem().empty())
        wxMessageBox(dialog.SettingsProblem(), L"提示", wxOK | wxICON_WARNING, &dialog);
    return dialog.RunModal();
}
