// The program itself: without a display it says so; a second copy is
// refused while the first runs; asked from outside to end, it stops the
// share first.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include <wx/arrstr.h>
#include <wx/gdicmn.h>
#include <wx/utils.h>

#include "config/install_paths.h"
#include "config/settings_file.h"
#include "config/text_conversion.h"
#include "platform/loopback_probe.h"
#include "tests/e2e/server_installation.h"
#include "window_test_support.h"

namespace {

// The X windows of the program whose title is `title`; only the mapped ones
// if `visibleOnly`.
wxArrayString programWindows(const wxString& title, bool visibleOnly = false) {
    const wxString search = visibleOnly ? L"--onlyvisible --class" : L"--class";
    const wxString lines = commandOutput(L"sh -c 'for w in $(xdotool search " + search +
                                         L" VomraServer); do echo $w $(xprop -id $w _NET_WM_NAME); done'");
    wxArrayString windows;
    for (const wxString& line : wxSplit(lines, L'\n')) {
        if (line.EndsWith(L"= \"" + title + L"\"")) windows.push_back(line.BeforeFirst(L' '));
    }
    return windows;
}

const wchar_t* const kMainTitle = L"Vomra共享服务器-小白专用";

TEST(ProgramTest, WithoutADisplayItSaysSoInOneLineAndFails) {
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

// The first copy's window, hidden by Escape, comes back once the second
// copy's refusal is acknowledged.
TEST(ProgramTest, SecondCopyIsRefusedAndBringsTheFirstCopysWindowBack) {
    Tray tray;
    TemporaryDirectory programDir;
    std::filesystem::copy_file(VOMRA_PROGRAM, programDir.path() / "VomraServer");
    const wxString program = wxString(programDir.wide()) + L"/VomraServer";
    std::filesystem::create_directories(wxString(wxGetenv(L"XDG_RUNTIME_DIR")).ToStdString());

    BackgroundProgram first(program);
    ASSERT_TRUE(waitFor([] { return programWindows(kMainTitle, true).size() == 1; }, 10s));
    commandOutput(L"xdotool windowfocus --sync " + programWindows(kMainTitle)[0] + L" key Escape");
    ASSERT_TRUE(waitFor([] { return programWindows(kMainTitle, true).empty(); }, 10s)) << "Escape did not hide it";

    BackgroundProgram second(program);
    ASSERT_TRUE(waitFor([] { return programWindows(L"提示").size() == 1; }, 10s)) << "the refusal did not show";
    EXPECT_EQ(programWindows(kMainTitle).size(), 1u) << "the second copy opened a window";
    const wxString refusal = programWindows(L"提示")[0];
    const wxSize screen = wxGetDisplaySize();
    const auto centre = [&] {
        return commandOutput(L"sh -c \"xwininfo -id " + refusal +
                             L" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}"
                             L" /Width:/ {w=$NF} /Height:/ {h=$NF} END {print int(x+w/2), int(y+h/2)}'\"")
            .Trim();
    };
    EXPECT_TRUE(waitFor([&] {
        long x = 0, y = 0;
        return centre().BeforeFirst(L' ').ToLong(&x) && centre().AfterFirst(L' ').ToLong(&y) &&
               std::abs(x - screen.x / 2) < 8 && std::abs(y - screen.y / 2) < 8;
    })) << "the refusal is not centred on the screen: "
        << centre();
    EXPECT_TRUE(commandOutput(L"xprop -id " + refusal + L" _NET_WM_ICON").Contains(L"_NET_WM_ICON(CARDINAL) ="))
        << "the refusal has no icon of the program's";
    commandOutput(L"xdotool windowfocus --sync " + refusal + L" key Return");
    EXPECT_TRUE(second.waitForEnd(10s)) << "the refused copy did not end after OK";
    EXPECT_TRUE(first.running());
    EXPECT_TRUE(waitFor([] { return programWindows(kMainTitle, true).size() == 1; }, 10s))
        << "the first copy's window did not come back";
}

// A logout sends SIGTERM: the program takes the Exit path, so its nginx
// ends with it and the password no longer opens anything.
TEST(ProgramTest, TerminationRequestStopsTheShareAndEndsTheProgram) {
    TestFolder folder("shared");
    ServerInstallation installation("terminated", folder.utf8());
    const std::filesystem::path program = pathOf(installation.programDir()) / "VomraServer";
    std::filesystem::copy_file(VOMRA_PROGRAM, program);
    ASSERT_TRUE(saveSettings(installation.settings, installation.paths.settingsFile).ok);
    const std::int32_t port = installation.settings.port;

    BackgroundProgram running(wxString::FromUTF8(utf8Of(program)));
    ASSERT_TRUE(waitFor([] { return programWindows(kMainTitle).size() == 1; }, 10s));
    // Focus starts on the folder box, where Enter starts the share.
    commandOutput(L"xdotool windowfocus --sync " + programWindows(kMainTitle)[0] + L" key Return");
    ASSERT_TRUE(waitFor([&] { return platform::loopbackPortAnswers(port); }, 10s)) << "Start did not start nginx";

    running.requestEnd();
    EXPECT_TRUE(running.waitForEnd(10s)) << "the program did not end";
    EXPECT_TRUE(installation.waitUntilEnded()) << "nginx outlived the program";
    EXPECT_FALSE(platform::loopbackPortAnswers(port));
}

// A logout while a message box waits for an answer: nobody is there to give
// one, so the box closes and the program ends all the same.
TEST(ProgramTest, TerminationRequestEndsTheProgramWhileAMessageBoxIsOpen) {
    TemporaryDirectory programDir;
    const std::filesystem::path program = programDir.path() / "VomraServer";
    std::filesystem::copy_file(VOMRA_PROGRAM, program);

    BackgroundProgram running(wxString::FromUTF8(utf8Of(program)));
    ASSERT_TRUE(waitFor([] { return programWindows(kMainTitle).size() == 1; }, 10s));
    // Enter in the empty folder box: Start refuses it in a message box.
    commandOutput(L"xdotool windowfocus --sync " + programWindows(kMainTitle)[0] + L" key Return");
    ASSERT_TRUE(waitFor([] { return programWindows(L"错误", true).size() == 1; }, 10s)) << "no message box";

    running.requestEnd();
    EXPECT_TRUE(running.waitForEnd(10s)) << "the program did not end with a box open";
}

// A server an earlier version left running as a daemon is ended before the
// window shows, and the one message that says so comes once.
TEST(ProgramTest, LeftoverServerIsEndedBeforeTheWindowAndReportedOnce) {
    TestFolder folder("shared");
    ServerInstallation installation("leftover", folder.utf8());
    const std::filesystem::path program = pathOf(installation.programDir()) / "VomraServer";
    std::filesystem::copy_file(VOMRA_PROGRAM, program);
    installation.startAsDaemon();
    ASSERT_FALSE(installation.processes().empty());

    for (const bool leftover : {true, false}) {
        BackgroundProgram running(wxString::FromUTF8(utf8Of(program)));
        ASSERT_TRUE(waitFor([] { return programWindows(kMainTitle).size() == 1; }, 10s));
        EXPECT_TRUE(installation.processes().empty()) << "the leftover server still runs";
        EXPECT_EQ(waitFor([] { return programWindows(L"提示").size() == 1; }, 2s), leftover);
        if (leftover) commandOutput(L"xdotool windowfocus --sync " + programWindows(L"提示")[0] + L" key Return");
        running.requestEnd();
        EXPECT_TRUE(running.waitForEnd(10s)) << "the program did not end";
    }
}

}  // namespace
