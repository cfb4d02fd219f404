#pragma once
// Adding an item to a window's system (window) menu.
#include <functional>
#include <string>

namespace platform {

// Appends a separator and an item with `commandId` and `text` to the system
// menu of the native window `nativeWindow`, and calls `onChosen` when the user
// picks it. Returns false where the platform has no such menu (window managers
// on Linux do not let programs add to it); the caller then offers the item
// elsewhere.
bool addSystemMenuItem(void* nativeWindow, unsigned commandId, const std::wstring& text,
                       std::function<void()> onChosen);

}  // namespace platform
