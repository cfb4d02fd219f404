// The main window as the user meets it: its controls, texts, styles, tab
// order and a layout in which nothing overlaps or is cut off.
#include <vector>

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/hyperlink.h>
#include <wx/stattext.h>
#include <wx/tooltip.h>
#include <wx/uiaction.h>

#include "app/control_ids.h"
#include "dialog_fixture.h"

namespace {

using DialogLayoutTest = DialogTest;

std::vector<wxWindow*> children(const wxWindow& window) {
    return {window.GetChildren().begin(), window.GetChildren().end()};
}

TEST_F(DialogLayoutTest, ControlsCarryTheirTextsAndStyles) {
    const CVomraServerDlg& dialog = openDialog();
    EXPECT_EQ(dialog.GetTitle(), L"Vomra共享服务器-小白专用");
    EXPECT_TRUE(dialog.HasFlag(wxCLOSE_BOX) && dialog.HasFlag(wxSTAY_ON_TOP));
    EXPECT_FALSE(dialog.HasFlag(wxRESIZE_BORDER) || dialog.HasFlag(wxMINIMIZE_BOX) || dialog.HasFlag(wxMAXIMIZE_BOX));
    EXPECT_EQ(dialog.GetDefaultItem(), nullptr) << "no button may be the default";

    const std::vector<std::pair<int, const wchar_t*>> buttons = {
        {kStartButton, L"启动共享服务"}, {kStopButton, L"停止共享服务"}, {kExitButton, L"退出"}};
    for (const auto& [id, text] : buttons) {
        auto* button = dynamic_cast<wxButton*>(dialog.FindWindow(id));
        ASSERT_NE(button, nullptr) << id;
        EXPECT_EQ(button->GetLabelText(), text);
        EXPECT_TRUE(button->IsEnabled());
    }
    auto* link = dynamic_cast<wxHyperlinkCtrlBase*>(dialog.FindWindow(kTutorialLink));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->GetLabel(), L"Vomra电视浏览器配置教程");
    EXPECT_EQ(link->GetToolTip(), nullptr);
    EXPECT_TRUE(edit(kPasswordEdit).HasFlag(wxTE_PASSWORD));
    EXPECT_FALSE(edit(kUserNameEdit).HasFlag(wxTE_PASSWORD));

    std::vector<wxString> rightAligned;
    for (const wxWindow* child : children(dialog)) {
        if (dynamic_cast<const wxStaticText*>(child) && (child->GetWindowStyle() & wxALIGN_RIGHT))
            rightAligned.push_back(child->GetLabel());
    }
    const std::vector<wxString> labels = {L"设置共享文件夹：", L"设置端口：", L"视频截图秒：",  L"共享名字：",
                                          L"密码：",           L"用户名：",   L"测试访问地址："};
    EXPECT_EQ(rightAligned, labels);
}

TEST_F(DialogLayoutTest, TabOrderFollowsTheTemplateAndFocusStartsOnTheFolder) {
    const CVomraServerDlg& dialog = openDialog();
    std::vector<int> order;
    for (const wxWindow* child : children(dialog)) {
        if (child->CanAcceptFocus()) order.push_back(child->GetId());
    }
    const std::vector<int> expected = {kSharedFolderEdit,      kBrowseButton, kTutorialLink, kPortEdit,
                                       kScreenshotSecondsEdit, kStartButton,  kStopButton,   kShareNameEdit,
                                       kPasswordEdit,          kUserNameEdit, kExitButton,   kAddressCombo};
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(waitFor([&] { return wxWindow::FindFocus() == dialog.FindWindow(kSharedFolderEdit); }));
}

TEST_F(DialogLayoutTest, NothingOverlapsRunsOutsideOrCutsItsText) {
    const CVomraServerDlg& dialog = openDialog();
    const wxRect client(dialog.GetClientSize());
    const std::vector<wxWindow*> controls = children(dialog);
    ASSERT_EQ(controls.size(), 21u);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const wxRect rect = controls[i]->GetRect();
        EXPECT_TRUE(client.Contains(rect)) << controls[i]->GetLabel();
        EXPECT_GE(rect.width, controls[i]->GetLabel().empty() ? 0 : controls[i]->GetBestSize().x)
            << controls[i]->GetLabel() << " is cut";
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(rect.Intersects(controls[j]->GetRect()))
                << controls[i]->GetLabel() << " overlaps " << controls[j]->GetLabel();
        }
    }
}

// A failed Start's reason stays on the status line as written (an "&" in a
// path included), with room for two lines inside the window, and in full in
// its tooltip.
TEST_F(DialogLayoutTest, StatusLineShowsALongFailureWithinTheWindow) {
    CVomraServerDlg& dialog = openDialog();
    std::vector<wxString> messages;
    dialog.SetMessageSink([&](const wxString& text, long) { messages.push_back(text); });
    const wxString folder = L"/没有/Tom & Jerry/" + wxString(L'长', 80);
    edit(kSharedFolderEdit).ChangeValue(folder);
    edit(kShareNameEdit).ChangeValue(L"电影");
    edit(kUserNameEdit).ChangeValue(L"guest");
    edit(kPasswordEdit).ChangeValue(L"secret");
    wxCommandEvent start(wxEVT_BUTTON, kStartButton);
    dialog.ProcessWindowEvent(start);
    ASSERT_EQ(messages.size(), 1u);

    const auto& line = *dynamic_cast<wxStaticText*>(dialog.FindWindow(kStatusText));
    EXPECT_EQ(line.GetLabelText(), L"启动失败：" + messages[0]);
    EXPECT_NE(line.GetLabelText().Find(folder), wxNOT_FOUND) << line.GetLabelText();
    ASSERT_NE(line.GetToolTip(), nullptr);
    EXPECT_EQ(line.GetToolTip()->GetTip(), messages[0]);
    EXPECT_TRUE(wxRect(dialog.GetClientSize()).Contains(line.GetRect()));
    EXPECT_GE(line.GetSize().y, 2 * line.GetTextExtent(L"启").y) << "no room for a second line";
}

// The QR code's place: a square that a phone at arm's length can read, beside
// the other controls.
TEST_F(DialogLayoutTest, QrCodeHasASquareOfAtLeast160Pixels) {
    const CVomraServerDlg& dialog = openDialog();
    const wxWindow* code = dialog.FindWindow(kQrCode);
    ASSERT_NE(code, nullptr);
    EXPECT_FALSE(code->IsShown()) << "no code before the share runs";
    EXPECT_EQ(code->GetSize().x, code->GetSize().y);
    EXPECT_GE(code->GetSize().x, 160);
}

TEST_F(DialogLayoutTest, NumberBoxesTakeOnlyDigitsWhenTyped) {
    CVomraServerDlg& dialog = openDialog();
    for (const int id : {kPortEdit, kScreenshotSecondsEdit}) {
        wxTextCtrl& box = edit(id);
        box.Clear();
        dialog.Raise();
        box.SetFocus();
        ASSERT_TRUE(waitFor([&] { return wxWindow::FindFocus() == &box; })) << id;
        wxUIActionSimulator().Text("8a0-8 ");
        EXPECT_TRUE(waitFor([&] { return box.GetValue() == L"808"; })) << id << ": " << box.GetValue();
        // A full-width digit, as an input method in full-width mode types it;
        // a full-width letter stays out.
        box.Clear();
        compose(box, "ff18", WXK_SPACE);
        compose(box, "ff41", WXK_SPACE);
        EXPECT_TRUE(waitFor([&] { return box.GetValue() == L"８"; })) << id << ": " << box.GetValue();
    }
}

TEST_F(DialogLayoutTest, AddressBoxSortsAsTextAndTakesTypedText) {
    const CVomraServerDlg& dialog = openDialog();
    auto* addresses = dynamic_cast<wxComboBox*>(dialog.FindWindow(kAddressCombo));
    ASSERT_NE(addresses, nullptr);
    addresses->Append(L"http://192.168.1.9:8080/电影");
    addresses->Append(L"http://192.168.1.10:8080/电影");
    EXPECT_EQ(addresses->GetString(0), L"http://192.168.1.10:8080/电影");
    addresses->SetValue(L"http://127.0.0.1:8080/a");
    EXPECT_EQ(addresses->GetValue(), L"http://127.0.0.1:8080/a");
}

}  // namespace
