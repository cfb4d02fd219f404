// The main window's initialisation: the settings file beside the program
// fills the controls, and the installation is found below the program.
#include <filesystem>

#include <wx/filename.h>
#include <wx/hyperlink.h>

#include "app/control_ids.h"
#include "config/text_conversion.h"
#include "dialog_fixture.h"

namespace {

using DialogSettingsTest = DialogTest;

TEST_F(DialogSettingsTest, ControlsShowTheSavedSettings) {
    programDir_.write("vomra.data",
                      "{\n    \"DF\": \"/srv/共享/电影\",\n    \"m\": -5,\n    \"name\": \"电影\",\n"
                      "    \"pass\": \"p a\\\"ss\",\n    \"port\": 8081,\n    \"user\": \"guest\"\n}");
    const CVomraServerDlg& dialog = openDialog();
    EXPECT_EQ(edit(kSharedFolderEdit).GetValue(), L"/srv/共享/电影");
    EXPECT_EQ(edit(kPortEdit).GetValue(), L"8081");
    EXPECT_EQ(edit(kScreenshotSecondsEdit).GetValue(), L"-5");
    EXPECT_EQ(edit(kShareNameEdit).GetValue(), L"电影");
    EXPECT_EQ(edit(kPasswordEdit).GetValue(), L"p a\"ss");
    EXPECT_EQ(edit(kUserNameEdit).GetValue(), L"guest");
    EXPECT_TRUE(dialog.SettingsProblem().empty()) << dialog.SettingsProblem();
    EXPECT_EQ(dialog.Settings().sharedFolder, "/srv/共享/电影");
}

TEST_F(DialogSettingsTest, FirstStartSuggestsPort8080AndKeepsTheRecordEmpty) {
    const CVomraServerDlg& dialog = openDialog();
    EXPECT_EQ(edit(kPortEdit).GetValue(), L"8080");
    EXPECT_EQ(edit(kScreenshotSecondsEdit).GetValue(), L"0");
    EXPECT_EQ(edit(kSharedFolderEdit).GetValue(), L"");
    EXPECT_EQ(dialog.Settings().port, 0);
    EXPECT_TRUE(dialog.SettingsProblem().empty()) << "a missing file is a first start, not a problem";
    EXPECT_FALSE(std::filesystem::exists(programDir_.path() / "vomra.data")) << "opening the window writes nothing";
}

TEST_F(DialogSettingsTest, BrokenFileShowsWhatWasReadAndSaysWhy) {
    // No "m": the five fields before it are read, then loading stops.
    programDir_.write("vomra.data", R"({"DF": "/srv/a", "name": "n", "pass": "p", "port": 9000, "user": "u"})");
    const CVomraServerDlg& dialog = openDialog();
    EXPECT_EQ(edit(kSharedFolderEdit).GetValue(), L"/srv/a");
    EXPECT_EQ(edit(kPortEdit).GetValue(), L"9000");
    EXPECT_EQ(edit(kUserNameEdit).GetValue(), L"u");
    EXPECT_EQ(edit(kScreenshotSecondsEdit).GetValue(), L"0");
    EXPECT_NE(dialog.SettingsProblem().Find(wxString::FromUTF8((programDir_.path() / "vomra.data").string())),
              wxNOT_FOUND);
    EXPECT_NE(dialog.SettingsProblem().Find(L"'m'"), wxNOT_FOUND) << dialog.SettingsProblem();
}

TEST_F(DialogSettingsTest, TutorialLinkOpensThePageBesideTheProgram) {
    dialog_ = std::make_unique<CVomraServerDlg>(std::filesystem::path(VOMRA_BINARY_DIR));
    std::vector<std::string> openedUrls;
    dialog_->SetBrowserOpener([&](const std::string& url) { openedUrls.push_back(url); });
    auto* link = dynamic_cast<wxHyperlinkCtrlBase*>(dialog_->FindWindow(kTutorialLink));
    ASSERT_NE(link, nullptr);
    const wxFileName page = wxFileName::URLToFileName(link->GetURL());
    EXPECT_EQ(page.GetFullName(), L"tutorial.html");
    EXPECT_TRUE(page.FileExists()) << link->GetURL();

    ASSERT_TRUE(waitFor([&] { return link->IsShownOnScreen(); }));
    clickAt(link->GetScreenRect().GetPosition() + link->GetSize() / 2, wxMOUSE_BTN_LEFT);
    EXPECT_TRUE(waitFor([&] { return !openedUrls.empty(); })) << "a click did not open the page";
    EXPECT_EQ(openedUrls, std::vector<std::string>{toUtf8(link->GetURL().ToStdWstring())});
}

}  // namespace
