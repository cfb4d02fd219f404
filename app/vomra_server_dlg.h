#pragma once
// The main window: the share settings, Start, Stop and Exit, the access
// addresses, the tutorial link, the About item and the tray icon.
#include <functional>
#include <string>

#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/hyperlink.h>
#include <wx/icon.h>
#include <wx/timer.h>

#include "app/tray_icon.h"
#include "config/install_paths.h"
#include "share/share_sequence.h"
#include "share/share_status.h"

class CVomraServerDlg : public wxDialog {
public:
    // Builds the window, derives the installation below `programDir`, loads
    // the settings into the controls, adds the About item and the tray icon,
    // and shows the window.
    explicit CVomraServerDlg(const std::wstring& programDir = programDirectory());
    ~CVomraServerDlg() override;

    // Runs the window until Exit (the button, the tray menu's item, the end
    // of the session or a request from outside) ends the run; hiding the
    // window does not end it. Returns the code given to EndModalRun.
    int RunModal();
    void EndModalRun(int code);

    // Why the settings file beside the program could not be read; empty when
    // it was read or did not exist.
    const wxString& SettingsProblem() const { return m_settingsProblem; }
    // Says that a server left running by an earlier run was ended; empty when there was none.
    const wxString& LeftoverServerNotice() const { return m_leftoverServerNotice; }

    // How the window shows a message (a message box) and opens an address
    // or the tutorial page (platform::openInBrowser, with a UTF-8 URL); the
    // window tests watch both instead of a user.
    using MessageSink = std::function<void(const wxString& text, long iconStyle)>;
    void SetMessageSink(MessageSink sink);
    using BrowserOpener = std::function<void(const std::string& url)>;
    void SetBrowserOpener(BrowserOpener opener);
    // How Start opens the port in the firewall (platform::allowInboundPort);
    // the window tests leave the firewall alone.
    using PortOpener = std::function<void(std::int32_t port)>;
    void SetPortOpener(PortOpener opener);

    // Shows the window (hidden or minimised) and brings it to the front.
    void BringToFront();

    // The share and its stills as the status line and the tray show them.
    ShareStatus CurrentStatus() const;
    CTrayIcon& TrayIcon() { return m_trayIcon; }

private:
    void LoadSettingsFrom(const std::wstring& programDir);
    void FillControls();
    void AddAboutItem();
    void AddTrayIcon();
    void SetControlText(int id, const wxString& text);
    bool FocusIsOnButton() const;
    DialogEntries ReadEntries() const;
    void ShowOutcome(const ShareOutcome& outcome);
    void SetShareButtons(const ButtonStates& states);
    void ShowMessageBox(const wxString& text, long iconStyle);
    void OpenInBrowser(const wxString& url);
    void RefreshStatus();
    void PressButton(int id);
    void AcceptFolderDrops();

    void OnSysCommand(wxCommandEvent& event);
    void OnStartService(wxCommandEvent& event);
    void OnStopService(wxCommandEvent& event);
    void OnTrayNotify(wxTaskBarIconEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnDestroy(wxWindowDestroyEvent& event);
    void OnExit(wxCommandEvent& event);
    void OnAddressSelChange(wxCommandEvent& event);
    void OnTutorialLink(wxHyperlinkEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);
    void OnControlChar(wxKeyEvent& event);
    void OnBrowseFolder(wxCommandEvent& event);
    void OnTrayMenu(wxCommandEvent& event);

    wxIcon m_appIcon;
    CTrayIcon m_trayIcon;
    wxComboBox* m_addressCombo = nullptr;

    bool m_settingsFileFound = false;
    wxString m_settingsProblem;
    wxString m_leftoverServerNotice;
    wxString m_backgroundMenuText;  // the About item, where the system menu has none
    wxGUIEventLoop* m_modalLoop = nullptr;

    bool m_sharing = false;
    std::string m_startFailure;  // UTF-8; why the last Start failed
    std::string m_startWarning;  // UTF-8; what the Start of the running share warned of
    wxTimer m_statusTimer;

    ShareEnvironment m_shareEnvironment;
    MessageSink m_showMessage;
    BrowserOpener m_openBrowser;

    wxDECLARE_EVENT_TABLE();
};
