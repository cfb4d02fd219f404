#pragma once
// The main window: the share settings, Start, Stop and Exit, the access
// addresses, the tutorial link, the About item and the tray icon. It owns the
// running share, which ends with it.
#include <filesystem>
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
#include "config/share_settings.h"
#include "share/share.h"
#include "share/share_status.h"

class CVomraServerDlg : public wxDialog {
public:
    // Builds the window, loads the settings beside the program in
    // `programDir` into the controls, ends a server an earlier run left,
    // adds the About item and the tray icon, and shows the window.
    explicit CVomraServerDlg(const std::filesystem::path& programDir = programDirectory(),
                             ShareEnvironment environment = {});
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

    // Shows the window (hidden or minimised) and brings it to the front.
    void BringToFront();

    // The program is asked from outside to end (a logout, SIGTERM): the
    // boxes on screen close, then the Exit path runs.
    void EndFromOutside();

    // The settings as the last Start stored them, or as loaded.
    const ShareSettings& Settings() const { return m_settings; }
    // The share and its stills as the status line and the tray show them.
    ShareStatus CurrentStatus() const;
    const Share& RunningShare() const { return m_share; }
    CTrayIcon& TrayIcon() { return m_trayIcon; }

private:
    void BindHandlers();
    void LoadSettings();
    void FillControls();
    void AddAboutItem();
    void AddTrayIcon();
    void AcceptFolderDrops();
    bool TakeServerZip(const wxString& file);
    void OfferServerProgram(const std::string& missing);
    void ChooseServerZip();
    void InstallServerProgram(const wxString& zip);
    void SetControlText(int id, const wxString& text);
    bool FocusIsOnButton() const;
    ShareSettings ReadSettings() const;
    void ShowSharing(bool sharing);
    void ShowQrCode();
    void ShowMessages(const StartReport& report);
    void ShowMessageBox(const wxString& text, long iconStyle);
    void OpenInBrowser(const wxString& url);
    void RefreshStatus();
    void WatchServer();
    void PressButton(int id);

    void OnAbout(wxCommandEvent& event);
    void OnStartService(wxCommandEvent& event);
    void OnStopService(wxCommandEvent& event);
    void OnExit(wxCommandEvent& event);
    void OnTrayNotify(wxTaskBarIconEvent& event);
    void OnTrayMenu(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnDestroy(wxWindowDestroyEvent& event);
    void OnAddressSelChange(wxCommandEvent& event);
    void OnTutorialLink(wxHyperlinkEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);
    void OnControlChar(wxKeyEvent& event);
    void OnBrowseFolder(wxCommandEvent& event);

    Share m_share;
    ShareSettings m_settings;

    wxIcon m_appIcon;
    CTrayIcon m_trayIcon;
    wxComboBox* m_addressCombo = nullptr;

    bool m_settingsFileFound = false;
    wxString m_settingsProblem;
    wxString m_leftoverServerNotice;
    wxString m_backgroundMenuText;  // the About item, where the system menu has none
    wxGUIEventLoop* m_modalLoop = nullptr;

    std::string m_startFailure;  // UTF-8; why the last Start failed
    std::string m_startWarning;  // UTF-8; what the Start of the running share warned of
    ServerCheck m_serverCheck;   // what became of the share's server since that Start
    wxTimer m_statusTimer;

    MessageSink m_showMessage;
    BrowserOpener m_openBrowser;
};
