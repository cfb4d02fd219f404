// The program itself: without a display it says so; a second copy is
// refused while the first runs.
#include <filesystem>
#include <gtest/gtest.h>

#include <wx/arrstr.h>
#include <wx/utils.h>

#include "window_test_support.h"

namespace {

// The X windows of the program whose title is `title`.
wxArrayString programWindows(const wxString& title)
{
    const wxString lines = commandOutput(
        L"sh -c 'for w in $(xdotool search --class VomraServer); do echo $w $(xprop -id $w _NET_WM_NAME); done'");
    wxArrayString windows;
    for (const wxString& line : wxSplit(lines, L'\n')) {
        if (line.EndsWith(L"= \"" + title + L"\""))
            windows.push_back(line.BeforeFirst(L' '));
    }
    return windows;
}

const wchar_t* const kMainTitle = L"Vomra共享服务器-小白专用";

TEST(ProgramTest, WithoutADisplayItSaysSoInOneLineAndFails)
{
    wxExecuteEnv environment;
    wxGetEnvMap(&environment.env);
    environment.env.erase(L"DISPLAY");
    environment.env.erase(L"WAYLAND_DISPLAY");
    wxArrayString output;
    wxArrayString errors;
    const long status = wxExecute(VOMRA_PROGRAM, output, errors, wxEXEC_SYNC | wxEXEC_NODISABLE, &environment);
    EXPECT_NE(status, 0);
    EXPECT_TRUE(output.empty());
    ASSERT_EQ(errors.size(), 1u) << wxJoin(errors, L'\n');
    EXPECT_NE(errors[0].Find(L"display"), wxNOT_FOUND) << errors[0];
}

TEST(ProgramTest, SecondCopyIsRefusedWhileTheFirstRuns)
{
    TemporaryDirectory programDir;
    std::filesystem::copy_file(VOMRA_PROGRAM, programDir.path() / "VomraServer");
    const wxString program = wxString(programDir.wide()) + L"/VomraServer";
    std::filesystem::create_directories(wxString(wxGetenv(L"XDG_RUNTIME_DIR")).ToStdString());

    BackgroundProgram first(program);
    ASSERT_TRUE(waitFor([] { return programWindows(kMainTitle).size() == 1; }, 10s));

    BackgroundProgram second(program);
    ASSERT_TRUE(waitFor([] { return programWindows(L"提示").size() == 1; }, 10s)) << "the refusal did not show";
    EXPECT_EQ(programWindows(kMainTitle).size(), 1u) << "the second copy opened a window";
    commandOutput(L"xdotool windowfocus --sync " + programWindows(L"提示")[0] + L" key Return");
    EXPECT_TRUE(second.waitForEnd(10s)) << "the refused copy did not end after OK";
    EXPECT_TRUE(first.running());
}

}  // namespace
