#include "platform/system_menu.h"

#include <windows.h>
#include <commctrl.h>

namespace {

struct SystemMenuItem {
    UINT commandId;
    std::function<void()> onChosen;
};

const UINT_PTR kSubclassId = 0x564D;  // one subclass of ours per window

// Runs the item's action for its system command and passes everything else
// on. The system reserves the low four bits of a system command.
LRESULT CALLBACK systemMenuProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR refData) {
    auto* item = reinterpret_cast<SystemMenuItem*>(refData);
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == item->commandId) {
        item->onChosen();
        return 0;
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, systemMenuProc, kSubclassId);
        delete item;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

bool platform::addSystemMenuItem(void* nativeWindow, unsigned commandId, const std::wstring& text,
                                 std::function<void()> onChosen) {
    HWND window = static_cast<HWND>(nativeWindow);
    HMENU menu = GetSystemMenu(window, FALSE);
    if (menu == nullptr) return false;
    if (!AppendMenuW(menu, MF_SEPARATOR, 0, nullptr) || !AppendMenuW(menu, MF_STRING, commandId, text.c_str()))
        return false;

    auto* item = new SystemMenuItem{commandId, std::move(onChosen)};
    if (!SetWindowSubclass(window, systemMenuProc, kSubclassId, reinterpret_cast<DWORD_PTR>(item))) {
        delete item;
        return false;
    }
    return true;
}
