#include "app/vomra_server_dlg.h"

#include <filesystem>
#include <system_error>

#include <wx/button.h>
#include <wx/filename.h>
#include <wx/hyperlink.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/about_dlg.h"
#include "app/app_resources.h"
#include "app/control_ids.h"
#include "app/control_text.h"
#include "app/dialog_builder.h"
#include "thumbs/thumbnail_pool.h"
#include "config/settings_file.h"
#include "config/share_service.h"
#include "config/text_conversion.h"
#include "platform/browser.h"
#include "platform/paths.h"
#include "platform/system_menu.h"

namespace {

// What the port box suggests when there are no settings yet.
const wchar_t* const kSuggestedPort = L"8080";
// How often the status line and the tray read the share and the stills' counters.
constexpr int kStatusRefreshMs = 500;

bool settingsFileExists(const std::wstring& settingsPath) {
    std::error_code error;
    const bool exists = std::filesystem::exists(platform::pathFromUtf8(toUtf8(settingsPath)), error);
    return exists || error;  // an unreadable place is reported when loading fails
}

wxString tutorialUrl(const std::wstring& programDir) {
    return wxFileName::FileNameToURL(wxFileName(wxString(programDir), L"tutorial.html"));
}

}  // namespace

wxBEGIN_EVENT_TABLE(CVomraServerDlg, wxDialog) EVT_MENU(kAboutCommand, CVomraServerDlg::OnSysCommand)
    EVT_BUTTON(kStartButton, CVomraServerDlg::OnStartService) EVT_BUTTON(kStopButton, CVomraServerDlg::OnStopService)
        EVT_CLOSE(CVomraServerDlg::OnClose) EVT_WINDOW_DESTROY(CVomraServerDlg::OnDestroy)
            EVT_BUTTON(kExitButton, CVomraServerDlg::OnExit)
                EVT_COMBOBOX(kAddressCombo, CVomraServerDlg::OnAddressSelChange)
                    EVT_HYPERLINK(kTutorialLink, CVomraServerDlg::OnTutorialLink)
                        EVT_CONTEXT_MENU(CVomraServerDlg::OnContextMenu)
                            EVT_BUTTON(kBrowseButton, CVomraServerDlg::OnBrowseFolder) wxEND_EVENT_TABLE()

                                CVomraServerDlg::CVomraServerDlg(const std::wstring& programDir)
    : m_appIcon(loadAppIcons().GetIcon(wxDefaultSize)),
      m_trayIcon(m_appIcon),
      m_showMessage([this](const wxString& text, long iconStyle) { ShowMessageBox(text, iconStyle); }),
      m_openBrowser(platform::openInBrowser) {
    m_shareEnvironment.programDir = programDir;
    createDialogFromTemplate(*this, nullptr, loadDialogTemplate(kMainDialogTemplate));
    m_addressCombo = static_cast<wxComboBox*>(FindWindow(kAddressCombo));
    static_cast<wxHyperlinkCtrlBase*>(FindWindow(kTutorialLink))->SetURL(tutorialUrl(programDir));
    for (wxWindow* control : GetChildren()) control->Bind(wxEVT_CHAR, &CVomraServerDlg::OnControlChar, this);
    Centre();

    LoadSettingsFrom(programDir);
    deriveInstallationPaths(shareService, programDir);
    if (const auto ended = endLeftoverServer(m_shareEnvironment, shareService))
        m_leftoverServerNotice = controlTextFromUtf8(*ended);
    FillControls();
    AddAboutItem();
    SetIcons(loadAppIcons());
    AddTrayIcon();
    AcceptFolderDrops();
    m_statusTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { RefreshStatus(); });
    m_statusTimer.Start(kStatusRefreshMs);

    Show();
    FindWindow(kSharedFolderEdit)->SetFocus();
}

CVomraServerDlg::~CVomraServerDlg() {
    // OnDestroy needs this object whole, so the destroy event goes out now.
    SendDestroyEvent();
}

int CVomraServerDlg::RunModal() {
    wxGUIEventLoop loop;
    m_modalLoop = &loop;
    const int code = loop.Run();
    m_modalLoop = nullptr;
    return code;
}

void CVomraServerDlg::EndModalRun(int code) {
    Hide();
    if (m_modalLoop) m_modalLoop->ScheduleExit(code);
}

// A missing file is a first start; any other failure leaves the fields as
// far as they were read and is reported once the window shows.
void CVomraServerDlg::LoadSettingsFrom(const std::wstring& programDir) {
    deriveSettingsPath(shareService, programDir);
    m_settingsFileFound = settingsFileExists(shareService.settingsPath);
    try {
        loadSettings(shareService);
    } catch (const std::exception& error) {
        if (m_settingsFileFound) {
            m_settingsProblem = wxString::Format(
                L"设置文件 %s 无法读取，窗口中只填入了能读到的内容。点击“启动共享服务”会用窗口中的内容重写它。\n\n%s",
                wxString(shareService.settingsPath), wxString::FromUTF8(error.what()));
        }
    }
}

void CVomraServerDlg::FillControls() {
    const ShareSettings& settings = shareService.settings;
    SetControlText(kSharedFolderEdit, controlTextFromUtf8(settings.sharedFolder));
    SetControlText(kPortEdit, m_settingsFileFound ? wxString() << settings.port : wxString(kSuggestedPort));
    SetControlText(kScreenshotSecondsEdit, wxString() << settings.screenshotSeconds);
    SetControlText(kShareNameEdit, controlTextFromUtf8(settings.shareName));
    SetControlText(kPasswordEdit, controlTextFromUtf8(settings.password));
    SetControlText(kUserNameEdit, controlTextFromUtf8(settings.userName));
}

void CVomraServerDlg::SetControlText(int id, const wxString& text) {
    static_cast<wxTextCtrl*>(FindWindow(id))->ChangeValue(text);
}

// Where the system menu cannot take the item, a right click on the window's
// background offers it.
void CVomraServerDlg::AddAboutItem() {
    const wxString text = wxString::FromUTF8(loadString(kAboutMenuTextString));
    if (text.empty()) return;
    const bool added = platform::addSystemMenuItem(GetHandle(), kAboutCommand, text.ToStdWstring(), [this] {
        wxCommandEvent about(wxEVT_MENU, kAboutCommand);
        ProcessWindowEvent(about);
    });
    if (!added) m_backgroundMenuText = text;
}

// The tray reports a left click as a button release on Windows and, with
// GTK, as a single "activate" that arrives as a double click once the
// left-button-down event it is first offered as goes unhandled. Both mean
// "show the window". A right click opens the icon's menu, whose commands
// come back here.
void CVomraServerDlg::AddTrayIcon() {
    m_trayIcon.Bind(wxEVT_TASKBAR_LEFT_UP, &CVomraServerDlg::OnTrayNotify, this);
    m_trayIcon.Bind(wxEVT_TASKBAR_LEFT_DCLICK, &CVomraServerDlg::OnTrayNotify, this);
    m_trayIcon.Bind(wxEVT_MENU, &CVomraServerDlg::OnTrayMenu, this);
    RefreshStatus();
}

ShareStatus CVomraServerDlg::CurrentStatus() const {
    ShareStatus status;
    status.running = m_sharing;
    status.port = shareService.settings.port;
    status.startFailure = m_startFailure;
    status.startWarning = m_startWarning;
    if (shareService.thumbnailPool) status.stills = shareService.thumbnailPool->progress();
    return status;
}

// Only changed texts are set, so the line does not flicker.
void CVomraServerDlg::RefreshStatus() {
    const ShareStatus status = CurrentStatus();
    auto* line = static_cast<wxStaticText*>(FindWindow(kStatusText));
    const wxString text = wxString::FromUTF8(statusLine(status));
    if (line->GetLabelText() != text) {
        line->SetLabelText(text);
        line->SetToolTip(wxString::FromUTF8(statusDetails(status)));
    }
    m_trayIcon.ShowState(status.running, wxString::FromUTF8(trayTip(status)));
}

void CVomraServerDlg::PressButton(int id) {
    wxCommandEvent press(wxEVT_BUTTON, id);
    press.SetEventObject(FindWindow(id));
    ProcessWindowEvent(press);
}

bool CVomraServerDlg::FocusIsOnButton() const {
    const wxWindow* focus = FindFocus();
    return dynamic_cast<const wxButton*>(focus) || dynamic_cast<const wxHyperlinkCtrlBase*>(focus);
}

void CVomraServerDlg::OnSysCommand(wxCommandEvent&) {
    CAboutDlg about(this);
    about.ShowModal();
}

void CVomraServerDlg::OnTrayNotify(wxTaskBarIconEvent&) {
    BringToFront();
}

void CVomraServerDlg::BringToFront() {
    Show();
    Iconize(false);
    Raise();
}

void CVomraServerDlg::OnTrayMenu(wxCommandEvent& event) {
    if (event.GetId() == kTrayShowCommand)
        BringToFront();
    else
        PressButton(event.GetId());
}

// Closing only hides the window while the tray icon can bring it back;
// without one it is minimised instead. A close that cannot be refused (the
// session ends) takes the Exit path.
void CVomraServerDlg::OnClose(wxCloseEvent& event) {
    if (!event.CanVeto()) {
        PressButton(kExitButton);
    } else if (m_trayIcon.IsIconInstalled() && wxTaskBarIcon::IsAvailable()) {
        Hide();
    } else {
        Iconize();
    }
}

void CVomraServerDlg::OnDestroy(wxWindowDestroyEvent& event) {
    if (event.GetEventObject() == this) m_trayIcon.RemoveIcon();
    event.Skip();
}

void CVomraServerDlg::OnTutorialLink(wxHyperlinkEvent& event) {
    OpenInBrowser(event.GetURL());
}

void CVomraServerDlg::OnContextMenu(wxContextMenuEvent& event) {
    if (m_backgroundMenuText.empty() || event.GetEventObject() != this) {
        event.Skip();
        return;
    }
    wxMenu menu;
    menu.Append(kAboutCommand, m_backgroundMenuText);
    PopupMenu(&menu);
}

// Escape hides the window as its close box does. Enter anywhere but on a
// button or the link (which press the button or open the page) starts the
// share when Start can be pressed, so a user who ends the password with Enter
// gets what they meant; otherwise it does nothing.
// Both are taken as characters of the focused control, which it receives
// only once its input method has had the key: the Enter that commits a
// composition, or the Escape that cancels one, stays with the input method.
void CVomraServerDlg::OnControlChar(wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    const bool enter = key == WXK_RETURN || key == WXK_NUMPAD_ENTER;
    if (key == WXK_ESCAPE) {
        Close();
    } else if (enter && !FocusIsOnButton()) {
        if (FindWindow(kStartButton)->IsEnabled()) PressButton(kStartButton);
    } else {
        event.Skip();
    }
}
