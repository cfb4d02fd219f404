// Where 浏览… opens the folder chooser: never at GTK's list of recent files,
// where a typed path cannot be chosen.
#include <filesystem>

#include <wx/dirdlg.h>
#include <wx/filename.h>
#include <wx/modalhook.h>
#include <wx/utils.h>

#include <gtk/gtk.h>

#include "app/control_ids.h"
#include "dialog_fixture.h"
#include "tests/common/test_folder.h"

namespace {

// Notes the folder each chooser shows once it is on screen, as the toolkit
// holds it, and answers Cancel in the user's place.
class ChooserWatch : public wxModalDialogHook {
public:
    ChooserWatch() { Register(); }
    ~ChooserWatch() override { Unregister(); }

    std::vector<wxString> folders;

protected:
    int Enter(wxDialog* dialog) override {
        if (!dynamic_cast<wxDirDialog*>(dialog)) return wxID_NONE;
        dialog->CallAfter([this, dialog] {
            folders.push_back(shownFolder(*dialog));
            dialog->EndModal(wxID_CANCEL);
        });
        return wxID_NONE;
    }
    void Exit(wxDialog*) override {}

private:
    static wxString shownFolder(wxDialog& chooser) {
        gchar* folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(chooser.GetHandle()));
        const wxString text = folder ? wxString::FromUTF8(folder) : wxString();
        g_free(folder);
        return text;
    }
};

using FolderChooserTest = DialogTest;

TEST_F(FolderChooserTest, OpensAtTheTypedFolderTheNearestAboveItOrHome) {
    CVomraServerDlg& dialog = openDialog();
    const TemporaryDirectory videos;
    const std::filesystem::path folder = videos.path() / pathOf("剧集");
    std::filesystem::create_directory(folder);
    const wxString existing = wxString::FromUTF8(utf8Of(folder));
    const wxString home = wxFileName::DirName(wxGetHomeDir()).GetPath();

    ChooserWatch watch;
    for (const wxString& typed : {existing, existing + L"/不存在/更深", wxString(), wxString(L"/不存在/视频")}) {
        edit(kSharedFolderEdit).ChangeValue(typed);
        wxCommandEvent browse(wxEVT_BUTTON, kBrowseButton);
        dialog.ProcessWindowEvent(browse);
    }
    EXPECT_EQ(watch.folders, (std::vector<wxString>{existing, existing, home, home}));
    EXPECT_EQ(edit(kSharedFolderEdit).GetValue(), L"/不存在/视频") << "Cancel leaves the box as it was";
}

}  // namespace
