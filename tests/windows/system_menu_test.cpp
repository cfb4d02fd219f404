// addSystemMenuItem on a real window: a separator and the item are appended
// to the window menu, and choosing the item runs its action.
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

#include "platform/system_menu.h"

namespace {

constexpr unsigned kAboutCommand = 0x0010;

const wchar_t* windowClass() {
    static const ATOM registered = [] {
        WNDCLASSW type{};
        type.lpfnWndProc = DefWindowProcW;
        type.hInstance = GetModuleHandleW(nullptr);
        type.lpszClassName = L"VomraSystemMenuTest";
        return RegisterClassW(&type);
    }();
    return MAKEINTATOM(registered);
}

// A hidden top-level window with a window menu, destroyed with the test.
class TopLevelWindow {
public:
    TopLevelWindow()
        : handle_(CreateWindowExW(0, windowClass(), L"VomraServer", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr)) {}
    ~TopLevelWindow() {
        if (handle_ != nullptr) DestroyWindow(handle_);
    }
    TopLevelWindow(const TopLevelWindow&) = delete;
    TopLevelWindow& operator=(const TopLevelWindow&) = delete;

    HWND handle() const { return handle_; }

private:
    HWND handle_;
};

TEST(SystemMenu, AppendsASeparatorAndTheItem) {
    TopLevelWindow window;
    ASSERT_NE(window.handle(), nullptr);
    const int before = GetMenuItemCount(GetSystemMenu(window.handle(), FALSE));

    ASSERT_TRUE(platform::addSystemMenuItem(window.handle(), kAboutCommand, L"关于 VomraServer(&A)...", [] {}));

    const HMENU menu = GetSystemMenu(window.handle(), FALSE);
    ASSERT_EQ(GetMenuItemCount(menu), before + 2);
    EXPECT_TRUE(GetMenuState(menu, before, MF_BYPOSITION) & MF_SEPARATOR);
    wchar_t text[64] = {};
    GetMenuStringW(menu, kAboutCommand, text, 64, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(text), L"关于 VomraServer(&A)...");
}

TEST(SystemMenu, ChoosingTheItemRunsItsActionAndNothingElseDoes) {
    TopLevelWindow window;
    ASSERT_NE(window.handle(), nullptr);
    int chosen = 0;
    ASSERT_TRUE(platform::addSystemMenuItem(window.handle(), kAboutCommand, L"关于", [&] { ++chosen; }));

    SendMessageW(window.handle(), WM_SYSCOMMAND, kAboutCommand, 0);
    EXPECT_EQ(chosen, 1);
    // The system keeps the low four bits of a system command for itself.
    SendMessageW(window.handle(), WM_SYSCOMMAND, kAboutCommand | 0x3, 0);
    EXPECT_EQ(chosen, 2);
    SendMessageW(window.handle(), WM_SYSCOMMAND, kAboutCommand + 0x10, 0);
    EXPECT_EQ(chosen, 2);
}

}  // namespace
