// Clicks a button of a program's window the way a user's click does, by the
// button's text: Wine draws a program's controls itself, so no X tool sees them.
//
//   button_clicker <window title> <button text>
//
// Exit status 0 once the click is posted, 1 if there is no such window or button.
#include <string>
#include <windows.h>

namespace {

struct Search {
    const wchar_t* text;
    HWND found = nullptr;
};

BOOL CALLBACK matchButton(HWND window, LPARAM searchAddress) {
    auto& search = *reinterpret_cast<Search*>(searchAddress);
    wchar_t className[32] = {};
    wchar_t text[256] = {};
    GetClassNameW(window, className, 32);
    GetWindowTextW(window, text, 256);
    if (lstrcmpiW(className, L"Button") != 0 || std::wstring(text) != search.text) return TRUE;
    search.found = window;
    return FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    const HWND window = FindWindowW(nullptr, argv[1]);
    if (!window) return 1;
    Search search{argv[2]};
    EnumChildWindows(window, matchButton, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return 1;
    // Posted, not sent: the click's handler may show a message box and wait.
    PostMessageW(search.found, BM_CLICK, 0, 0);
    return 0;
}
