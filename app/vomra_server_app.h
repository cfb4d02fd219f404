#pragma once
// The application: one instance per user, running the main window until it
// ends.
#include <wx/app.h>

class CVomraServerDlg;

class CVomraServerApp : public wxApp {
public:
    // Says in one line why no window can be shown (no display) instead of
    // the toolkit's own messages.
    bool Initialize(int& argc, wxChar** argv) override;

    // Refuses a second instance; false ends the process without a window.
    bool OnInit() override;

    // Runs the main window; the process ends when its run ends.
    int OnRun() override;

private:
    // The session ends (on Windows, which ends the process soon after).
    void OnEndSession(wxCloseEvent& event);

    CVomraServerDlg* m_dialog = nullptr;  // while the main window runs
};
