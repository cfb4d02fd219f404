// The Start, Stop and Exit buttons and the access address list of the main
// window: each handler reads the window, runs its sequence and shows what came
// of it.
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "app/address_list.h"
#include "app/control_ids.h"
#include "app/control_text.h"
#include "app/message_box.h"
#include "app/vomra_server_dlg.h"
#include "config/share_service.h"

void CVomraServerDlg::OnStartService(wxCommandEvent&) {
    wxBusyCursor busy;
    const ShareOutcome outcome = startShare(shareService, ReadEntries(), m_shareEnvironment);
    m_startFailure = outcome.error;
    m_startWarning = outcome.error.empty() ? outcome.warning : std::string();
    ShowOutcome(outcome);
}

void CVomraServerDlg::OnStopService(wxCommandEvent&) {
    wxBusyCursor busy;
    m_startFailure.clear();
    m_startWarning.clear();
    ShowOutcome(stopShare(shareService, m_shareEnvironment));
}

void CVomraServerDlg::OnExit(wxCommandEvent&) {
    wxBusyCursor busy;
    ShowOutcome(exitShare(shareService, m_shareEnvironment));
}

void CVomraServerDlg::OnAddressSelChange(wxCommandEvent&) {
    const int index = m_addressCombo->GetSelection();
    if (index == wxNOT_FOUND) return;
    OpenInBrowser(m_addressCombo->GetString(index));
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

void CVomraServerDlg::SetPortOpener(PortOpener opener) {
    m_shareEnvironment.allowPort = std::move(opener);
}

void CVomraServerDlg::ShowMessageBox(const wxString& text, long iconStyle) {
    showMessageBox(text, GetTitle(), iconStyle, this);
}

DialogEntries CVomraServerDlg::ReadEntries() const {
    const auto text = [this](int id) {
        return static_cast<const wxTextCtrl*>(FindWindow(id))->GetValue().ToStdWstring();
    };
    DialogEntries entries;
    entries.sharedFolder = text(kSharedFolderEdit);
    entries.port = text(kPortEdit);
    entries.screenshotSeconds = text(kScreenshotSecondsEdit);
    entries.shareName = text(kShareNameEdit);
    entries.password = text(kPasswordEdit);
    entries.userName = text(kUserNameEdit);
    return entries;
}

// The buttons, the status line and the address list first, so that a
// message shows over the window as it now is.
void CVomraServerDlg::ShowOutcome(const ShareOutcome& outcome) {
    if (outcome.buttons) {
        SetShareButtons(*outcome.buttons);
        m_sharing = !outcome.buttons->startEnabled;
    }
    RefreshStatus();
    if (outcome.fillAddressList)
        fillAddressList(*m_addressCombo, shareService.settings.port, shareService.settings.shareName);
    if (!outcome.warning.empty()) m_showMessage(controlTextFromUtf8(outcome.warning), wxICON_WARNING);
    if (!outcome.error.empty()) m_showMessage(controlTextFromUtf8(outcome.error), wxICON_ERROR);
    if (outcome.closeWindow) EndModalRun(0);
}

// A button that was just pressed and greys out would leave the keyboard with
// no place to go; it moves to the other button, the next one to press.
void CVomraServerDlg::SetShareButtons(const ButtonStates& states) {
    wxWindow* start = FindWindow(kStartButton);
    wxWindow* stop = FindWindow(kStopButton);
    const wxWindow* focus = FindFocus();
    start->Enable(states.startEnabled);
    stop->Enable(states.stopEnabled);
    if (focus == start && !states.startEnabled && states.stopEnabled)
        stop->SetFocus();
    else if (focus == stop && !states.stopEnabled && states.startEnabled)
        start->SetFocus();
}
