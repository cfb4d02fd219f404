// Start, Stop and Exit clicked in the real window, over a throw-away
// installation whose nginx and htpasswd are the real ones (every line runs
// but the firewall's); the access address list and the browser it opens.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/textctrl.h>

#include "app/control_ids.h"
#include "app/vomra_server_dlg.h"
#include "config/text_conversion.h"
#include "platform/loopback_probe.h"
#include "platform/network_adapters.h"
#include "tests/e2e/server_installation.h"
#include "thumbs/thumbnail_pool.h"
#include "share/access_addresses.h"
#include "window_test_support.h"

namespace {

struct ShownMessage {
    wxString text;
    long iconStyle;
};

class ShareButtonsTest : public testing::Test {
protected:
    void SetUp() override {
        ShareEnvironment environment;
        environment.allowPort = [](std::int32_t) {};  // the firewall is left alone
        dialog_ = std::make_unique<CVomraServerDlg>(installation_.paths.programDir, environment);
        ASSERT_TRUE(waitFor([this] { return dialog_->IsShownOnScreen(); }));
        processEventsFor(100ms);
        dialog_->SetMessageSink([this](const wxString& text, long style) { messages_.push_back({text, style}); });
        dialog_->SetBrowserOpener([this](const std::string& url) { openedUrls_.push_back(url); });

        port_ = installation_.settings.port;
        edit(kSharedFolderEdit).ChangeValue(wxString::FromUTF8(folder_.utf8()));
        edit(kPortEdit).ChangeValue(wxString() << port_);
        edit(kShareNameEdit).ChangeValue(L"电影");
        edit(kUserNameEdit).ChangeValue(L"guest");
        edit(kPasswordEdit).ChangeValue(L"secret");
    }

    void TearDown() override {
        dialog_.reset();
        processEventsFor(50ms);
    }

    wxTextCtrl& edit(int id) const { return *static_cast<wxTextCtrl*>(dialog_->FindWindow(id)); }
    wxWindow& button(int id) const { return *dialog_->FindWindow(id); }
    wxComboBox& addresses() const { return *static_cast<wxComboBox*>(dialog_->FindWindow(kAddressCombo)); }

    // A real mouse click in the middle of the button; the click of a
    // disabled button goes nowhere.
    void click(int id) {
        const wxWindow& target = button(id);
        clickAt(target.GetScreenRect().GetPosition() + target.GetSize() / 2, wxMOUSE_BTN_LEFT);
        processEventsFor(300ms);
    }

    std::vector<wxString> listedAddresses() const {
        std::vector<wxString> listed;
        for (unsigned i = 0; i < addresses().GetCount(); ++i) listed.push_back(addresses().GetString(i));
        return listed;
    }

    // What the list must hold for this machine: its own adapters, sorted.
    std::vector<wxString> expectedAddresses() const {
        std::vector<wxString> expected;
        for (const std::string& url : accessAddresses(platform::queryNetworkAdapters().value(), port_, "电影"))
            expected.push_back(wxString::FromUTF8(addressListLine(url)));
        std::sort(expected.begin(), expected.end());
        return expected;
    }

    TestFolder folder_{"window share"};
    ServerInstallation installation_{"window program", ""};
    std::unique_ptr<CVomraServerDlg> dialog_;
    std::int32_t port_ = 0;
    std::vector<ShownMessage> messages_;
    std::vector<std::string> openedUrls_;
};

TEST_F(ShareButtonsTest, StartAndStopToggleTheButtonsFillTheListAndRunTheServer) {
    click(kStartButton);
    ASSERT_TRUE(waitFor([&] { return !button(kStartButton).IsEnabled(); }, 10s))
        << (messages_.empty() ? wxString() : messages_.front().text);
    EXPECT_TRUE(button(kStopButton).IsEnabled());
    EXPECT_EQ(wxWindow::FindFocus(), &button(kStopButton)) << "the keyboard moves on from the greyed Start";
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(HttpClient(port_).get("/%E7%94%B5%E5%BD%B1/").status, "401");

    EXPECT_EQ(listedAddresses(), expectedAddresses());
    EXPECT_EQ(addresses().GetSelection(), addresses().IsListEmpty() ? wxNOT_FOUND : 0);
    EXPECT_TRUE(openedUrls_.empty()) << "filling the list must not open a browser";

    click(kStartButton);  // disabled: nothing happens
    EXPECT_TRUE(messages_.empty());

    const auto listedWhileRunning = listedAddresses();
    click(kStopButton);
    ASSERT_TRUE(waitFor([&] { return button(kStartButton).IsEnabled(); }, 10s));
    EXPECT_FALSE(button(kStopButton).IsEnabled());
    EXPECT_EQ(wxWindow::FindFocus(), &button(kStartButton));
    EXPECT_FALSE(platform::loopbackPortAnswers(port_));
    EXPECT_TRUE(installation_.waitUntilEnded());
    EXPECT_EQ(listedAddresses(), listedWhileRunning) << "Stop leaves the list as it was";
    EXPECT_FALSE(dialog_->RunningShare().stillsProgress().has_value());
}

TEST_F(ShareButtonsTest, RefusedFolderShowsOneMessageAndChangesNothing) {
    edit(kSharedFolderEdit).ChangeValue(wxString::FromUTF8(folder_.utf8()) + L"/不存在");
    click(kStartButton);

    ASSERT_TRUE(waitFor([&] { return !messages_.empty(); }, 10s));
    processEventsFor(300ms);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].text.Find(L"设置共享文件夹"), wxNOT_FOUND) << messages_[0].text;
    EXPECT_EQ(messages_[0].iconStyle, wxICON_ERROR);
    EXPECT_TRUE(button(kStartButton).IsEnabled());
    EXPECT_TRUE(button(kStopButton).IsEnabled());
    EXPECT_TRUE(addresses().IsListEmpty());
    EXPECT_FALSE(platform::loopbackPortAnswers(port_));
    EXPECT_TRUE(installation_.processes().empty());
}

TEST_F(ShareButtonsTest, EveryRefusedValueIsNamedInOneMessage) {
    edit(kPortEdit).ChangeValue(L"0");
    edit(kUserNameEdit).ChangeValue(L"");
    click(kStartButton);

    ASSERT_TRUE(waitFor([&] { return !messages_.empty(); }, 10s));
    processEventsFor(300ms);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].text.Contains(L"设置端口") && messages_[0].text.Contains(L"用户名")) << messages_[0].text;
    EXPECT_TRUE(installation_.processes().empty());
}

// The code beside the list, read off a screenshot as a phone reads it off
// the screen, holds the short ASCII address of the chosen line, which the
// real nginx sends on to the share; Stop takes it away.
TEST_F(ShareButtonsTest, QrCodeOnScreenLeadsToTheShare) {
    click(kStartButton);
    ASSERT_TRUE(waitFor([&] { return !button(kStartButton).IsEnabled(); }, 10s));
    if (addresses().IsListEmpty()) GTEST_SKIP() << "this machine has no wired or wireless address";
    const wxWindow& code = *dialog_->FindWindow(kQrCode);
    ASSERT_TRUE(waitFor([&] { return code.IsShownOnScreen(); }));
    processEventsFor(500ms);

    const TestFolder shots("screen");
    const std::string shot = utf8Of(shots / "screen.png");
    commandOutput(wxString::FromUTF8("import -window root '" + shot + "'"));
    const std::string read =
        toUtf8(commandOutput(wxString::FromUTF8("zbarimg --raw -q '" + shot + "'")).Trim().ToStdWstring());
    const std::string chosen = toUtf8(addresses().GetString(addresses().GetSelection()).ToStdWstring());
    EXPECT_EQ(read, siteAddress(accessAddressOfLine(chosen)));
    EXPECT_TRUE(std::all_of(read.begin(), read.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
    EXPECT_TRUE(read.starts_with("http://") && read.ends_with(":" + std::to_string(port_) + "/")) << read;

    // The same server on the loopback address, as tests reach no other.
    const HttpReply root = HttpClient(port_).get("/");
    EXPECT_EQ(root.status, "301");
    const std::string share = root.header("Location");
    EXPECT_TRUE(share.ends_with("/%E7%94%B5%E5%BD%B1/") || share.ends_with("/电影/")) << share;
    EXPECT_EQ(HttpClient(port_).get("/%E7%94%B5%E5%BD%B1/").status, "401");

    click(kStopButton);
    EXPECT_TRUE(waitFor([&] { return !code.IsShown(); }));
}

TEST_F(ShareButtonsTest, ExitStopsTheServerAndEndsTheWindow) {
    click(kStartButton);
    ASSERT_TRUE(waitFor([&] { return !button(kStartButton).IsEnabled(); }, 10s));
    click(kExitButton);

    EXPECT_TRUE(waitFor([&] { return !dialog_->IsShown(); }, 10s));
    EXPECT_FALSE(platform::loopbackPortAnswers(port_));
    EXPECT_TRUE(installation_.waitUntilEnded());
    EXPECT_FALSE(dialog_->RunningShare().stillsProgress().has_value());
}

// The status line follows the share and the stills (one of five videos is
// broken) and the tray icon's tip says the same; while the share runs,
// Enter in a box does nothing and Escape only hides the window.
TEST_F(ShareButtonsTest, StatusLineFollowsTheShareAndTheStills) {
    Tray tray;
    const wxWindow& status = *dialog_->FindWindow(kStatusText);
    EXPECT_EQ(status.GetLabel(), L"已停止");
    for (int i = 0; i < 4; ++i)
        std::filesystem::copy_file(std::filesystem::path(VOMRA_TEST_DATA_DIR) / "clip.mp4",
                                   folder_ / ("clip" + std::to_string(i) + ".mp4"));
    std::ofstream(folder_ / "broken.mp4") << "not a video";

    const wxString running = wxString::Format(L"共享中（端口 %d）　", port_);
    const wxString done = running + L"视频截图完成，共 5 个，失败 1 个";
    std::set<wxString> seen;
    pressKey(edit(kPasswordEdit), WXK_RETURN);
    ASSERT_TRUE(waitFor(
        [&] {
            seen.insert(status.GetLabel());
            return status.GetLabel() == done;
        },
        15s))
        << status.GetLabel() << (messages_.empty() ? wxString() : messages_.front().text);
    for (const wxString& line : seen) {
        if (line == done || line == L"已停止") continue;
        EXPECT_TRUE(line.StartsWith(running + L"视频截图：") && line.Contains(L" / 5")) << line;
    }
    EXPECT_EQ(dialog_->CurrentStatus().stills->finished, 5u);
    EXPECT_EQ(wxString::FromUTF8(trayTip(dialog_->CurrentStatus())), L"VomraHTTP服务\n" + done);
    EXPECT_TRUE(dialog_->TrayIcon().Sharing());

    pressKey(edit(kUserNameEdit), WXK_RETURN);
    processEventsFor(500ms);
    EXPECT_TRUE(messages_.empty());
    pressKey(edit(kUserNameEdit), WXK_ESCAPE);
    EXPECT_TRUE(waitFor([&] { return !dialog_->IsShown(); }));
    EXPECT_EQ(HttpClient(port_).get("/%E7%94%B5%E5%BD%B1/").status, "401") << "hiding the window stopped the share";

    wxCommandEvent stop(wxEVT_BUTTON, kStopButton);
    dialog_->ProcessWindowEvent(stop);
    EXPECT_EQ(status.GetLabel(), L"已停止");
    EXPECT_FALSE(dialog_->TrayIcon().Sharing());
}

// The server killed behind the window's back, its configuration spoilt so
// that it cannot start again: the status line says so, and the buttons and
// the tray's mark go back to stopped, without a message box.
TEST_F(ShareButtonsTest, AServerThatEndsForGoodShowsTheShareStopped) {
    click(kStartButton);
    ASSERT_TRUE(waitFor([&] { return !button(kStartButton).IsEnabled(); }, 10s));
    ASSERT_TRUE(dialog_->TrayIcon().Sharing());
    writeFile(installation_.paths.configFile, "not a configuration");
    ASSERT_EQ(kill(static_cast<pid_t>(std::stol(readFile(installation_.paths.pidFile))), SIGKILL), 0);

    ASSERT_TRUE(waitFor([&] { return button(kStartButton).IsEnabled(); }, 10s));
    EXPECT_FALSE(button(kStopButton).IsEnabled());
    const wxString status = dialog_->FindWindow(kStatusText)->GetLabel();
    EXPECT_TRUE(status.StartsWith(L"网页服务器意外停止，共享已停止\n")) << status;
    EXPECT_TRUE(status.Contains(L"[emerg]")) << status;
    EXPECT_FALSE(dialog_->TrayIcon().Sharing());
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(installation_.waitUntilEnded());
}

TEST_F(ShareButtonsTest, ChoosingAnAddressOpensItInTheBrowserOncePerChoice) {
    addresses().Append(wxString::FromUTF8(addressListLine("http://10.0.0.9:8080/电影")));
    addresses().Append(L"http://10.0.0.10:8080/typed");
    const auto choose = [&](int index) {
        addresses().SetSelection(index);
        wxCommandEvent chosen(wxEVT_COMBOBOX, kAddressCombo);
        chosen.SetEventObject(&addresses());
        chosen.SetInt(index);
        addresses().ProcessWindowEvent(chosen);
    };
    choose(1);
    choose(0);

    EXPECT_EQ(openedUrls_, (std::vector<std::string>{"http://10.0.0.9:8080/电影", "http://10.0.0.10:8080/typed"}));
}

}  // namespace
