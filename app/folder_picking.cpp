// Picking the shared folder: the "浏览…" button's folder chooser, and a
// folder dropped on the window.
#include <wx/dirdlg.h>
#include <wx/dnd.h>
#include <wx/filename.h>
#include <wx/textctrl.h>

#include "app/control_ids.h"
#include "app/vomra_server_dlg.h"

namespace {

// The folder as typed, or the nearest folder above it that exists, so the
// chooser opens where the user was heading; empty when none does.
wxString nearestExistingFolder(const wxString& typed) {
    wxFileName folder = wxFileName::DirName(typed);
    while (!folder.DirExists() && folder.GetDirCount() > 0) folder.RemoveLastDir();
    return folder.DirExists() && !typed.empty() ? folder.GetPath() : wxString();
}

// Fills the folder box with a dropped folder, or with the folder of a dropped
// file; of several, the first is taken.
class FolderDropTarget : public wxFileDropTarget {
public:
    explicit FolderDropTarget(wxTextCtrl& box) : m_box(box) {}

    bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& names) override {
        if (names.empty()) return false;
        const wxString& first = names[0];
        m_box.ChangeValue(wxFileName::DirExists(first) ? first : wxFileName(first).GetPath());
        m_box.SetFocus();
        return true;
    }

private:
    wxTextCtrl& m_box;
};

}  // namespace

void CVomraServerDlg::OnBrowseFolder(wxCommandEvent&) {
    auto* box = static_cast<wxTextCtrl*>(FindWindow(kSharedFolderEdit));
    wxDirDialog chooser(this, L"选择要共享的文件夹", nearestExistingFolder(box->GetValue()),
                        wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
    if (chooser.ShowModal() == wxID_OK) box->ChangeValue(chooser.GetPath());
}

// Each control is a drop site of its own, so each takes the folder too.
void CVomraServerDlg::AcceptFolderDrops() {
    auto& box = *static_cast<wxTextCtrl*>(FindWindow(kSharedFolderEdit));
    SetDropTarget(new FolderDropTarget(box));
    for (wxWindow* control : GetChildren()) control->SetDropTarget(new FolderDropTarget(box));
}
