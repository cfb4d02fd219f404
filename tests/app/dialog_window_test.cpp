// The main window's behaviour: closing hides it while the tray can bring it
// back (and minimises it where there is no tray), the tray icon, the About
// box, and the ways the window's run ends.
#include <wx/button.h>
#include <wx/hyperlink.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include "app/about_dlg.h"
#include "app/control_ids.h"
#include "config/text_conversion.h"
#include "dialog_fixture.h"
#include "webserver/command_lines.h"

namespace {

using DialogWindowTest = DialogTest;

wxPoint centreOnScreen(const wxWindow& window) {
    return window.GetScreenRect().GetPosition() + window.GetSize() / 2;
}

// Runs `dialog` until its run ends; `during` is called once the run has
// begun. A run that is still going after `limit` is ended with -1.
int runModalWith(CVomraServerDlg& dialog, const std::function<void()>& during, wxTimer& watchdog) {
    dialog.CallAfter(during);
    watchdog.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { dialog.EndModalRun(-1); });
    watchdog.StartOnce(15000);
    return dialog.RunModal();
}

// A right click on the tray icon is ignored, a left click shows the window
// again, and the icon leaves the tray with the window.
TEST_F(DialogWindowTest, CloseHidesTheWindowWhileTheTrayIconCanBringItBack) {
    Tray tray;
    ASSERT_TRUE(tray.available()) << "trayer did not start";
    CVomraServerDlg& dialog = openDialog();
    ASSERT_TRUE(waitFor([&] { return tray.width() >= 32; })) << "the icon never reached the tray";
    dialog.Close();
    EXPECT_TRUE(waitFor([&] { return !dialog.IsShown(); }));

    clickAt(kTrayIconPoint, wxMOUSE_BTN_RIGHT);
    processEventsFor(1s);
    EXPECT_FALSE(dialog.IsShown());

    clickAt(kTrayIconPoint, wxMOUSE_BTN_LEFT);
    EXPECT_TRUE(waitFor([&] { return dialog.IsShownOnScreen(); })) << "the tray icon did not bring the window back";
    EXPECT_FALSE(dialog.IsIconized());

    dialog_.reset();
    EXPECT_TRUE(waitFor([&] { return tray.width() < 32; })) << "the icon stayed in the tray";
}

TEST_F(DialogWindowTest, CloseMinimisesWhereThereIsNoTray) {
    WindowManager windowManager;
    ASSERT_FALSE(wxTaskBarIcon::IsAvailable());
    CVomraServerDlg& dialog = openDialog();
    dialog.Close();
    EXPECT_TRUE(waitFor([&] { return dialog.IsIconized(); })) << "the window must stay reachable";
    EXPECT_TRUE(dialog.IsShown());
}

TEST_F(DialogWindowTest, ExitButtonEndsTheRun) {
    CVomraServerDlg& dialog = openDialog();
    wxTimer watchdog;
    const int code = runModalWith(
        dialog, [&] { clickAt(centreOnScreen(*dialog.FindWindow(kExitButton)), wxMOUSE_BTN_LEFT); }, watchdog);
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(dialog.IsShown());
}

TEST_F(DialogWindowTest, EscapeEndsTheRunLikeExit) {
    CVomraServerDlg& dialog = openDialog();
    wxTimer watchdog;
    EXPECT_EQ(runModalWith(
                  dialog, [&] { pressKey(*dialog.FindWindow(kShareNameEdit), WXK_ESCAPE); }, watchdog),
              0);
}

// Enter on a button presses it and Enter on the link opens the tutorial page
// as a click does; Enter in a field ends the run.
TEST_F(DialogWindowTest, EnterEndsTheRunExceptOnAButtonOrTheLink) {
    CVomraServerDlg& dialog = openDialog();
    std::vector<std::string> browserLines;
    dialog.SetBrowserLauncher([&](const std::string& line) { browserLines.push_back(line); });
    auto& link = *dynamic_cast<wxHyperlinkCtrlBase*>(dialog.FindWindow(kTutorialLink));
    int step = 0;
    wxTimer steps;
    steps.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        const int focused[] = {kStopButton, kTutorialLink, kUserNameEdit};
        if (step < 3) pressKey(*dialog.FindWindow(focused[step++]), WXK_RETURN);
    });
    steps.Start(700);
    wxTimer watchdog;
    EXPECT_EQ(runModalWith(
                  dialog, [] {}, watchdog),
              0);
    EXPECT_EQ(step, 3) << "the run ended on Enter on a button or the link";
    EXPECT_EQ(browserLines, std::vector<std::string>{browserCommandLine(platform::kNativeShellDialect,
                                                                        toUtf8(link.GetURL().ToStdWstring()))});
}

// Return commits a composition and Escape cancels one; neither ends the run,
// which a plain Escape afterwards still does.
TEST_F(DialogWindowTest, EnterAndEscapeThatEndACompositionStayWithTheInputMethod) {
    CVomraServerDlg& dialog = openDialog();
    auto& name = *dynamic_cast<wxTextCtrl*>(dialog.FindWindow(kShareNameEdit));
    std::vector<wxString> seen;
    int step = 0;
    wxTimer steps;
    steps.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        seen.push_back(name.GetValue());
        if (step == 0)
            compose(name, "5f71", WXK_RETURN);
        else if (step == 1)
            compose(name, "5f71", WXK_ESCAPE);
        else if (step == 2)
            pressKey(name, WXK_ESCAPE);
        ++step;
    });
    steps.Start(700);
    wxTimer watchdog;
    EXPECT_EQ(runModalWith(
                  dialog, [] {}, watchdog),
              0);
    EXPECT_EQ(seen, (std::vector<wxString>{L"", L"影", L"影"})) << "the run ended during a composition";
}

TEST_F(DialogWindowTest, CloseThatCannotBeRefusedEndsTheRun) {
    CVomraServerDlg& dialog = openDialog();
    wxTimer watchdog;
    EXPECT_EQ(runModalWith(
                  dialog, [&] { dialog.Close(true); }, watchdog),
              0);
}

// The About box, reached the ways a user reaches it here: a right click on
// the window's background, or the menu key on a button, then the menu's item.
// Each step waits for the one before it; the timer goes on ticking inside
// the menu's and the About box's own event loops.
class AboutBoxTest : public DialogTest, public testing::WithParamInterface<bool> {
protected:
    static void openMenu(CVomraServerDlg& dialog, bool byKeyboard) {
        if (byKeyboard)
            pressKey(*dialog.FindWindow(kExitButton), WXK_MENU);
        else
            clickAt(dialog.ClientToScreen(wxPoint(3, 3)), wxMOUSE_BTN_RIGHT);
    }
};

TEST_P(AboutBoxTest, OpensFromTheWindowsMenuAndClosesWithOk) {
    CVomraServerDlg& dialog = openDialog();
    bool menuOpened = false;
    dialog.Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent&) { menuOpened = true; });
    wxString version;
    wxButton* ok = nullptr;
    bool okIsDefault = false;
    int step = 0;
    wxTimer steps;
    steps.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        CAboutDlg* about = nullptr;
        for (wxWindow* window : wxTopLevelWindows) about = about ? about : dynamic_cast<CAboutDlg*>(window);
        if (step == 0) {
            ++step;
            openMenu(dialog, GetParam());
        } else if (step == 1 && menuOpened) {
            wxUIActionSimulator().Char(WXK_DOWN);
            wxUIActionSimulator().Char(WXK_RETURN);
            ++step;
        } else if (step == 2 && about && about->IsShownOnScreen()) {
            for (wxWindow* child : about->GetChildren()) {
                if (auto* text = dynamic_cast<wxStaticText*>(child)) version = text->GetLabelText();
            }
            ok = dynamic_cast<wxButton*>(about->FindWindow(wxID_OK));
            okIsDefault = ok && about->GetDefaultItem() == ok && ok->GetLabelText() == L"确定";
            if (ok) clickAt(centreOnScreen(*ok), wxMOUSE_BTN_LEFT);
            ++step;
        } else if (step == 3 && !about) {
            dialog.EndModalRun(0);
        }
    });
    steps.Start(150);
    wxTimer watchdog;
    EXPECT_EQ(runModalWith(
                  dialog, [] {}, watchdog),
              0)
        << "stuck at step " << step;
    EXPECT_EQ(version, L"VomraServer，版本 1.0");
    EXPECT_TRUE(okIsDefault) << "the About box closes with its default button 确定";
}

INSTANTIATE_TEST_SUITE_P(ByMouseAndByKeyboard, AboutBoxTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "MenuKeyOnAButton" : "RightClickOnTheBackground";
                         });

}  // namespace
