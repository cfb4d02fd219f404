#include "app/vomra_server_dlg.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include <wx/button.h>
#include <wx/dirdlg.h>
#include <wx/dnd.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/hyperlink.h>
#include <wx/menu.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/utils.h>
#include <wx/textctrl.h>

#include "app/about_dlg.h"
#include "app/app_resources.h"
#include "app/control_ids.h"
#include "app/control_text.h"
#include "app/dialog_builder.h"
#include "app/address_list.h"
#include "app/message_box.h"
#include "app/qr_code_bitmap.h"
#include "config/settings_file.h"
#include "platform/browser.h"
#include "platform/paths.h"
#include "platform/system_menu.h"
#include "server_setup/server_program_setup.h"
#include "share/access_addresses.h"
#include "share/number_parse.h"

namespace {

// What the port box suggests when there are no settings yet.
const wchar_t* const kSuggestedPort = L"8080";
// How often the share checks its server, and the status line and the tray
// read the share and the stills' counters.
constexpr int kStatusRefreshMs = 500;

bool settingsFileExists(const std::filesystem::path& file) {
    std::error_code error;
    const bool exists = std::filesystem::exists(file, error);
    return exists || error;  // an unreadable place is reported when loading fails
}

wxString pathText(const std::filesystem::path& path) {
    return wxString::FromUTF8(platform::utf8FromPath(path));
}

wxString tutorialUrl(const std::filesystem::path& page) {
    return wxFileName::FileNameToURL(wxFileName(pathText(page)));
}

// The folder as typed, or the nearest folder above it that exists short of
// the file system's root, so the chooser opens where the user was heading;
// the user's home folder when the box is empty or names nothing nearer. GTK's
// chooser given no folder opens at its list of recent files, where a typed
// path cannot be chosen.
wxString chooserStartFolder(const wxString& typed) {
    wxFileName folder = wxFileName::DirName(typed);
    while (!folder.DirExists() && folder.GetDirCount() > 0) folder.RemoveLastDir();
    return !typed.empty() && folder.GetDirCount() > 0 ? folder.GetPath() : wxGetHomeDir();
}

// A right click on these is one on the window's background.
bool isBackground(const wxObject* clicked, const wxWindow& window) {
    return clicked == &window || dynamic_cast<const wxStaticText*>(clicked) ||
           dynamic_cast<const wxStaticBitmap*>(clicked);
}

// Fills the folder box with a dropped folder, or with the folder of a dropped
// file; of several, the first is taken. A file that `takeFile` takes (nginx's
// zip, where the user places nginx.exe) goes there instead.
class FolderDropTarget : public wxFileDropTarget {
public:
    FolderDropTarget(wxTextCtrl& box, std::function<bool(const wxString&)> takeFile)
        : m_box(box), m_takeFile(std::move(takeFile)) {}

    bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& names) override {
        if (names.empty()) return false;
        const wxString& first = names[0];
        if (m_takeFile(first)) return true;
        m_box.ChangeValue(wxFileName::DirExists(first) ? first : wxFileName(first).GetPath());
        m_box.SetFocus();
        return true;
    }

private:
    wxTextCtrl& m_box;
    std::function<bool(const wxString&)> m_takeFile;
};

// What the box says after "nginx.exe is missing", and the type of file the
// chooser shows.
const wchar_t* const kServerProgramSteps =
    L"\n\n本程序不附带网页服务器 nginx.exe，还差这一步：在 nginx 下载页下载 Windows 版的 zip 文件"
    L"（nginx/Windows-版本号），然后把下载的 zip 文件拖到本窗口上，或点“选择 zip…”选中它。"
    L"程序会从中取出 nginx.exe，放进 vomrixserver\\server，然后启动共享。";
const wchar_t* const kZipFiles = L"nginx 的 Windows 版 zip (*.zip)|*.zip";

}  // namespace

CVomraServerDlg::CVomraServerDlg(const std::filesystem::path& programDir, ShareEnvironment environment)
    : m_share(InstallPaths(programDir), std::move(environment)),
      m_appIcon(loadAppIcons().GetIcon(wxDefaultSize)),
      m_trayIcon(m_appIcon),
      m_showMessage([this](const wxString& text, long iconStyle) { ShowMessageBox(text, iconStyle); }),
      m_openBrowser(platform::openInBrowser) {
    createDialogFromTemplate(*this, nullptr, loadDialogTemplate(kMainDialogTemplate));
    m_addressCombo = static_cast<wxComboBox*>(FindWindow(kAddressCombo));
    static_cast<wxHyperlinkCtrlBase*>(FindWindow(kTutorialLink))->SetURL(tutorialUrl(m_share.paths().tutorialPage));
    BindHandlers();
    Centre();

    LoadSettings();
    if (const auto ended = m_share.endLeftoverServer()) m_leftoverServerNotice = controlTextFromUtf8(*ended);
    FillControls();
    AddAboutItem();
    SetIcons(loadAppIcons());
    AddTrayIcon();
    AcceptFolderDrops();
    m_statusTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { WatchServer(); });
    m_statusTimer.Start(kStatusRefreshMs);

    Show();
    FindWindow(kSharedFolderEdit)->SetFocus();
}

void CVomraServerDlg::BindHandlers() {
    Bind(wxEVT_MENU, &CVomraServerDlg::OnAbout, this, kAboutCommand);
    Bind(wxEVT_BUTTON, &CVomraServerDlg::OnStartService, this, kStartButton);
    Bind(wxEVT_BUTTON, &CVomraServerDlg::OnStopService, this, kStopButton);
    Bind(wxEVT_BUTTON, &CVomraServerDlg::OnExit, this, kExitButton);
    Bind(wxEVT_BUTTON, &CVomraServerDlg::OnBrowseFolder, this, kBrowseButton);
    Bind(wxEVT_COMBOBOX, &CVomraServerDlg::OnAddressSelChange, this, kAddressCombo);
    Bind(wxEVT_HYPERLINK, &CVomraServerDlg::OnTutorialLink, this, kTutorialLink);
    Bind(wxEVT_CLOSE_WINDOW, &CVomraServerDlg::OnClose, this);
    Bind(wxEVT_DESTROY, &CVomraServerDlg::OnDestroy, this);
    Bind(wxEVT_CONTEXT_MENU, &CVomraServerDlg::OnContextMenu, this);
    for (wxWindow* control : GetChildren()) control->Bind(wxEVT_CHAR, &CVomraServerDlg::OnControlChar, this);
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
void CVomraServerDlg::LoadSettings() {
    const std::filesystem::path& file = m_share.paths().settingsFile;
    m_settingsFileFound = settingsFileExists(file);
    try {
        loadSettings(m_settings, file);
    } catch (const std::exception& error) {
        if (m_settingsFileFound) {
            m_settingsProblem = wxString::Format(
                L"设置文件 %s 无法读取，窗口中只填入了能读到的内容。点击“启动共享服务”会用窗口中的内容重写它。\n\n%s",
                pathText(file), wxString::FromUTF8(error.what()));
        }
    }
}

void CVomraServerDlg::FillControls() {
    const ShareSettings& settings = m_settings;
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
    status.running = m_share.running();
    status.port = m_settings.port;
    status.startFailure = m_startFailure;
    status.startWarning = m_startWarning;
    status.server = m_serverCheck;
    status.stills = m_share.stillsProgress();
    status.stillFailures = m_share.stillFailures();
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

// A server that ended behind the program's back shows on the status line
// and in the tray; when the share stopped with it, the buttons follow.
void CVomraServerDlg::WatchServer() {
    const ServerCheck check = m_share.checkServer();
    if (check.outcome != ServerCheck::Outcome::fine) m_serverCheck = check;
    if (check.outcome == ServerCheck::Outcome::stopped)
        ShowSharing(false);
    else
        RefreshStatus();
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

void CVomraServerDlg::OnAbout(wxCommandEvent&) {
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

void CVomraServerDlg::EndFromOutside() {
    closeModalWindows();
    PressButton(kExitButton);
}

void CVomraServerDlg::OnTrayMenu(wxCommandEvent& event) {
    if (event.GetId() == kTrayShowCommand) {
        BringToFront();
    } else if (event.GetId() == kAboutCommand) {
        wxCommandEvent about(wxEVT_MENU, kAboutCommand);
        ProcessWindowEvent(about);
    } else {
        PressButton(event.GetId());
    }
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
    if (m_backgroundMenuText.empty() || !isBackground(event.GetEventObject(), *this)) {
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

// Start, Stop and Exit: each reads the window, acts on the share and shows
// what came of it. The buttons, the status line and the address list change
// first, so that a message shows over the window as it now is.

void CVomraServerDlg::OnStartService(wxCommandEvent&) {
    wxBusyCursor busy;
    m_settings = ReadSettings();
    const StartReport report = m_share.start(m_settings);
    m_startFailure = report.error;
    m_startWarning = report.error.empty() ? report.warning : std::string();
    m_serverCheck = {};
    if (report.error.empty()) {
        ShowSharing(true);
        fillAddressList(*m_addressCombo, m_settings.port, m_settings.shareName);
        ShowQrCode();
    } else {
        RefreshStatus();  // the buttons stay as they were
    }
    ShowMessages(report);
}

void CVomraServerDlg::OnStopService(wxCommandEvent&) {
    wxBusyCursor busy;
    m_startFailure.clear();
    m_startWarning.clear();
    m_serverCheck = {};
    m_share.stop();
    ShowSharing(false);
}

void CVomraServerDlg::OnExit(wxCommandEvent&) {
    wxBusyCursor busy;
    m_share.stop();
    ShowSharing(false);
    EndModalRun(0);
}

ShareSettings CVomraServerDlg::ReadSettings() const {
    const auto text = [this](int id) { return static_cast<const wxTextCtrl*>(FindWindow(id))->GetValue(); };
    ShareSettings settings;
    settings.sharedFolder = toUtf8(text(kSharedFolderEdit));
    settings.port = parseDialogNumber(text(kPortEdit).ToStdWstring());
    settings.screenshotSeconds = parseDialogNumber(text(kScreenshotSecondsEdit).ToStdWstring());
    settings.shareName = toUtf8(text(kShareNameEdit));
    settings.password = toUtf8(text(kPasswordEdit));
    settings.userName = toUtf8(text(kUserNameEdit));
    return settings;
}

// A button that was just pressed and greys out would leave the keyboard with
// no place to go; it moves to the other button, the next one to press.
void CVomraServerDlg::ShowSharing(bool sharing) {
    wxWindow* start = FindWindow(kStartButton);
    wxWindow* stop = FindWindow(kStopButton);
    const wxWindow* focus = FindFocus();
    start->Enable(!sharing);
    stop->Enable(sharing);
    if (focus == start && sharing)
        stop->SetFocus();
    else if (focus == stop && !sharing)
        start->SetFocus();
    if (!sharing) FindWindow(kQrCode)->Hide();
    RefreshStatus();
}

// The chosen line's short address, which is ASCII and so what any reader
// takes, as a QR code beside the list while the share runs.
void CVomraServerDlg::ShowQrCode() {
    auto* picture = static_cast<wxStaticBitmap*>(FindWindow(kQrCode));
    const int index = m_addressCombo->GetSelection();
    if (!m_share.running() || index == wxNOT_FOUND) {
        picture->Hide();
        return;
    }
    const std::string address = siteAddress(accessAddressOfLine(toUtf8(m_addressCombo->GetString(index))));
    picture->SetBitmap(qrCodeBitmap(address, picture->GetSize().x));
    picture->SetToolTip(L"用手机扫描二维码打开 " + wxString::FromUTF8(address));
    picture->Show();
}

void CVomraServerDlg::ShowMessages(const StartReport& report) {
    if (!report.warning.empty()) m_showMessage(controlTextFromUtf8(report.warning), wxICON_WARNING);
    if (report.error.empty()) return;
    if (report.serverProgramMissing && platform::kServerDownloadPage)
        OfferServerProgram(report.error);
    else
        m_showMessage(controlTextFromUtf8(report.error), wxICON_ERROR);
}

// Start found no nginx.exe where the user places it: the box tells how to
// get it, and opens nginx's download page or the chooser for its zip.
void CVomraServerDlg::OfferServerProgram(const std::string& missing) {
    const int answer = askInMessageBox(controlTextFromUtf8(missing) + kServerProgramSteps, messageTitle(wxICON_WARNING),
                                       wxICON_WARNING, L"打开下载页", L"选择 zip…", L"关闭", this);
    if (answer == wxID_YES)
        m_openBrowser(platform::kServerDownloadPage);
    else if (answer == wxID_NO)
        ChooseServerZip();
}

void CVomraServerDlg::ChooseServerZip() {
    wxFileDialog chooser(this, L"选择下载的 nginx Windows 版 zip 文件", wxString(), wxString(), kZipFiles,
                         wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (chooser.ShowModal() == wxID_OK) InstallServerProgram(chooser.GetPath());
}

// A dropped zip named as nginx's ("nginx-1.26.2.zip") is taken as nginx's,
// where the user places nginx.exe; any other file is the folder's.
bool CVomraServerDlg::TakeServerZip(const wxString& file) {
    const wxFileName name(file);
    if (!platform::kServerDownloadPage || !name.FileExists() || !name.GetExt().IsSameAs(L"zip", false) ||
        !name.GetName().Lower().StartsWith(L"nginx"))
        return false;
    InstallServerProgram(file);
    return true;
}

// Places nginx.exe from the zip and starts the share, or says why not.
void CVomraServerDlg::InstallServerProgram(const wxString& zip) {
    std::optional<std::string> refusal;
    {
        wxBusyCursor busy;
        refusal = installServerProgramFromZip(platform::pathFromUtf8(toUtf8(zip)), m_share.paths());
    }
    if (refusal)
        m_showMessage(controlTextFromUtf8(*refusal), wxICON_ERROR);
    else if (FindWindow(kStartButton)->IsEnabled())
        PressButton(kStartButton);
}

void CVomraServerDlg::OnAddressSelChange(wxCommandEvent&) {
    const int index = m_addressCombo->GetSelection();
    if (index == wxNOT_FOUND) return;
    ShowQrCode();
    m_openBrowser(accessAddressOfLine(toUtf8(m_addressCombo->GetString(index))));
}

void CVomraServerDlg::OpenInBrowser(const wxString& url) {
    m_openBrowser(toUtf8(url));
}

void CVomraServerDlg::SetMessageSink(MessageSink sink) {
    m_showMessage = std::move(sink);
}

void CVomraServerDlg::SetBrowserOpener(BrowserOpener opener) {
    m_openBrowser = std::move(opener);
}

void CVomraServerDlg::ShowMessageBox(const wxString& text, long iconStyle) {
    showMessageBox(text, messageTitle(iconStyle), iconStyle, this);
}

void CVomraServerDlg::OnBrowseFolder(wxCommandEvent&) {
    auto* box = static_cast<wxTextCtrl*>(FindWindow(kSharedFolderEdit));
    wxDirDialog chooser(this, L"选择要共享的文件夹", chooserStartFolder(box->GetValue()),
                        wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
    if (chooser.ShowModal() == wxID_OK) box->ChangeValue(chooser.GetPath());
}

// Each control is a drop site of its own, so each takes the folder too.
void CVomraServerDlg::AcceptFolderDrops() {
    auto& box = *static_cast<wxTextCtrl*>(FindWindow(kSharedFolderEdit));
    const auto takeZip = [this](const wxString& file) { return TakeServerZip(file); };
    SetDropTarget(new FolderDropTarget(box, takeZip));
    for (wxWindow* control : GetChildren()) control->SetDropTarget(new FolderDropTarget(box, takeZip));
}
