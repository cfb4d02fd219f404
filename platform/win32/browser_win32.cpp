#include "platform/browser.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/text_codec.h"

namespace platform {

void openInBrowser(const std::string& url) {
    ShellExecuteW(nullptr, L"open", utf8ToWide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace platform
