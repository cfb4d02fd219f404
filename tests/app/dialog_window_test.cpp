// The main window's behaviour: closing hides it while the tray can bring it
// back (and minimises it where there is no tray), the tray icon, the About
// box, and the ways the window's run ends.
#include <wx/button.h>
#include <wx/hyperlink.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include "app/about_dlg.h"
#include "app/control_ids.h"
#include "config/text_conversion.h"
#include "dialog_fixture.h"

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

// A left click on the tray icon shows the window again, and the icon leaves
// the tray with the window.
TEST_F(DialogWindowTest, CloseHidesTheWindowWhileTheTrayIconCanBringItBack) {
    Tray tray;
    ASSERT_TRUE(tray.available()) << "trayer did not start";
    CVomraServerDlg& dialog = openDialog();
    ASSERT_TRUE(waitFor([&] { return tray.width() >= 32; })) << "the icon never reached the tray";
    dialog.Close();
    EXPECT_TRUE(waitFor([&] { return !dialog.IsShown(); }));

    clickAt(kTrayIconPoint, wxMOUSE_BTN_LEFT);
    EXPECT_TRUE(waitFor([&] { return dialog.IsShownOnScreen(); })) << "the tray icon did not bring the window back";
    EXPECT_FALSE(dialog.IsIconized());

    dialog_.reset();
    EXPECT_TRUE(waitFor([&] { return tray.width() < 32; })) << "the icon stayed in the tray";
}

// The tray icon's right-click menu, driven by the keyboard as its items
// stand: 显示主窗口 first, 退出 last. The timer goes on ticking inside the
// menu's own event loop.
TEST_F(DialogWindowTest, TrayMenuShowsTheWindowAndExits) {
    Tray tray;
    ASSERT_TRUE(tray.available()) << "trayer did not start";
    CVomraServerDlg& dialog = openDialog();
    ASSERT_TRUE(waitFor([&] { return tray.width() >= 32; })) << "the icon never reached the tray";
    dialog.Close();
    ASSERT_TRUE(waitFor([&] { return !dialog.IsShown(); }));
    bool shownByMenu = false;
    int step = 0;
    wxTimer steps;
    steps.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        switch (step++) {
            case 0:
            case 3:
                clickAt(kTrayIconPoint, wxMOUSE_BTN_RIGHT);
                break;
            case 1:
                wxUIActionSimulator().Char(WXK_DOWN);
                wxUIActionSimulator().Char(WXK_RETURN);
                break;
            case 2:
                shownByMenu = dialog.IsShownOnScreen();
                break;
            case 4:
                wxUIActionSimulator().Char(WXK_UP);
                wxUIActionSimulator().Char(WXK_RETURN);
                break;
        }
    });
    steps.Start(700);
    wxTimer watchdog;
    EXPECT_EQ(runModalWith(
                  dialog, [] {}, watchdog),
              0)
        << "退出 did not end the run (step " << step << ")";
    EXPECT_TRUE(shownByMenu);
}

// While the share runs the icon changes and the menu offers Stop instead of Start.
TEST_F(DialogWindowTest, TrayMenuOffersWhatApplies) {
    CVomraServerDlg& dialog = openDialog();
    const auto labels = [&] {
        std::unique_ptr<wxMenu> menu(dialog.TrayIcon().BuildMenu());
        std::vector<wxString> texts;
        for (const wxMenuItem* item : menu->GetMenuItems())
            if (!item->IsSeparator()) texts.push_back(item->GetItemLabelText());
        return texts;
    };
    EXPECT_EQ(labels(), (std::vector<wxString>{L"显示主窗口", L"启动共享服务", L"关于 VomraServer", L"退出"}));
    dialog.TrayIcon().ShowState(true, L"tip");
    EXPECT_EQ(labels(), (std::vector<wxString>{L"显示主窗口", L"停止共享服务", L"关于 VomraServer", L"退出"}));
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

// Escape hides the window as the close box does; the tray icon brings it back.
TEST_F(DialogWindowTest, EscapeHidesTheWindowAndTheRunGoesOn) {
    Tray tray;
    ASSERT_TRUE(tray.available()) << "trayer did not start";
    CVomraServerDlg& dialog = openDialog();
    ASSERT_TRUE(waitFor([&] { return tray.width() >= 32; })) << "the icon never reached the tray";
    wxTimer watchdog;
    const int code = runModalWith(
        dialog,
        [&] {
            pressKey(*dialog.FindWindow(kShareNameEdit), WXK_ESCAPE);
            waitFor([&] { return !dialog.IsShown(); });
            clickAt(kTrayIconPoint, wxMOUSE_BTN_LEFT);
            waitFor([&] { return dialog.IsShownOnScreen(); });
            dialog.EndModalRun(7);
        },
        watchdog);
    EXPECT_EQ(code, 7) << "Escape ended the run";
}

// Enter on a button presses it and Enter on the link opens the tutorial page
// as a click does. Enter in a text box presses Start, here refused for the
// empty folder, once per box; with Start greyed it does nothing. The run
// never ends.
TEST_F(DialogWindowTest, EnterPressesTheButtonTheLinkOrStartAndNeverEndsTheRun) {
    CVomraServerDlg& dialog = openDialog();
    std::vector<std::string> openedUrls;
    std::vector<wxString> messages;
    dialog.SetBrowserOpener([&](const std::string& url) { openedUrls.push_back(url); });
    dialog.SetMessageSink([&](const wxString& text, long) { messages.push_back(text); });
    auto& link = *dynamic_cast<wxHyperlinkCtrlBase*>(dialog.FindWindow(kTutorialLink));
    const int boxes[] = {kSharedFolderEdit, kPortEdit,     kScreenshotSecondsEdit,
                         kShareNameEdit,    kPasswordEdit, kUserNameEdit};
    wxTimer watchdog;
    const int code = runModalWith(
        dialog,
        [&] {
            // The button clicks a moment after the key, as GTK shows it pressed.
            for (const int id : {kStopButton, kTutorialLink}) {
                pressKey(*dialog.FindWindow(id), WXK_RETURN);
                processEventsFor(300ms);
            }
            for (const int id : boxes) {
                pressKey(*dialog.FindWindow(id), WXK_RETURN);
                processEventsFor(200ms);
            }
            dialog.FindWindow(kStartButton)->Disable();
            for (const int id : boxes) pressKey(*dialog.FindWindow(id), WXK_RETURN);
            processEventsFor(300ms);
            dialog.EndModalRun(7);
        },
        watchdog);
    EXPECT_EQ(code, 7) << "Enter ended the run";
    EXPECT_EQ(openedUrls, std::vector<std::string>{toUtf8(link.GetURL().ToStdWstring())});
    ASSERT_EQ(messages.size(), 6u) << "Enter in each box presses Start once, and only while it is enabled: "
                                   << messages.back();
    for (const wxString& message : messages) EXPECT_NE(message.Find(L"设置共享文件夹"), wxNOT_FOUND) << message;
    EXPECT_EQ(dialog.FindWindow(kStatusText)->GetLabel().Left(5), L"启动失败：");
}

// Return commits a composition and Escape cancels one; neither reaches the
// window, which a plain Escape afterwards hides.
TEST_F(DialogWindowTest, EnterAndEscapeThatEndACompositionStayWithTheInputMethod) {
    Tray tray;
    CVomraServerDlg& dialog = openDialog();
    std::vector<wxString> messages;
    dialog.SetMessageSink([&](const wxString& text, long) { messages.push_back(text); });
    auto& name = *dynamic_cast<wxTextCtrl*>(dialog.FindWindow(kShareNameEdit));
    compose(name, "5f71", WXK_RETURN);
    EXPECT_TRUE(waitFor([&] { return name.GetValue() == L"影"; }));
    compose(name, "5f71", WXK_ESCAPE);
    processEventsFor(500ms);
    EXPECT_EQ(name.GetValue(), L"影");
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_TRUE(messages.empty()) << "the Return that committed the composition pressed Start";
    pressKey(name, WXK_ESCAPE);
    EXPECT_TRUE(waitFor([&] { return !dialog.IsShown(); }));
}

TEST_F(DialogWindowTest, CloseThatCannotBeRefusedEndsTheRun) {
    CVomraServerDlg& dialog = openDialog();
    wxTimer watchdog;
    EXPECT_EQ(runModalWith(
                  dialog, [&] { dialog.Close(true); }, watchdog),
              0);
}

// The About box, reached the ways a user reaches it here: a right click on
// the window's background, bare or under a label, or the menu key on a
// button, then the menu's item. Each step waits for the one before it; the
// timer goes on ticking inside the menu's and the About box's own event loops.
enum class AboutMenuWay { rightClickOnTheBackground, rightClickOnALabel, menuKeyOnAButton };

class AboutBoxTest : public DialogTest, public testing::WithParamInterface<AboutMenuWay> {
protected:
    static void openMenu(CVomraServerDlg& dialog, AboutMenuWay way) {
        if (way == AboutMenuWay::menuKeyOnAButton)
            pressKey(*dialog.FindWindow(kExitButton), WXK_MENU);
        else if (way == AboutMenuWay::rightClickOnALabel)
            clickAt(dialog.FindWindow(kStatusText)->GetScreenRect().GetTopLeft() + wxPoint(2, 2), wxMOUSE_BTN_RIGHT);
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

std::string wayName(const testing::TestParamInfo<AboutMenuWay>& info) {
    switch (info.param) {
        case AboutMenuWay::rightClickOnTheBackground:
            return "RightClickOnTheBackground";
        case AboutMenuWay::rightClickOnALabel:
            return "RightClickOnALabel";
        default:
            return "MenuKeyOnAButton";
    }
}

INSTANTIATE_TEST_SUITE_P(ByMouseAndByKeyboard, AboutBoxTest,
                         testing::Values(AboutMenuWay::rightClickOnTheBackground, AboutMenuWay::rightClickOnALabel,
                                         AboutMenuWay::menuKeyOnAButton),
                         wayName);

}  // namespace
