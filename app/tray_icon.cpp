#include "app/tray_icon.h"

#include <algorithm>
#include <cmath>

#include <wx/bitmap.h>
#include <wx/image.h>

#include "app/control_ids.h"

namespace {

// The icon with a green disc, ringed in white, over its lower right quarter.
wxIcon withSharingMark(const wxIcon& icon) {
    wxImage image = wxBitmap(icon).ConvertToImage();
    if (!image.HasAlpha()) image.InitAlpha();
    const int size = std::min(image.GetWidth(), image.GetHeight());
    const double radius = size / 4.0;
    const double centreX = image.GetWidth() - radius - 0.5;
    const double centreY = image.GetHeight() - radius - 0.5;
    for (int y = 0; y < image.GetHeight(); ++y) {
        for (int x = 0; x < image.GetWidth(); ++x) {
            const double dx = x - centreX;
            const double dy = y - centreY;
            const double distance = std::sqrt(dx * dx + dy * dy);
            if (distance > radius) continue;
            const bool ring = distance > radius - std::max(1.0, size / 16.0);
            image.SetRGB(x, y, ring ? 255 : 30, ring ? 255 : 170, ring ? 255 : 60);
            image.SetAlpha(x, y, 255);
        }
    }
    wxIcon marked;
    marked.CopyFromBitmap(wxBitmap(image));
    return marked;
}

}  // namespace

CTrayIcon::CTrayIcon(const wxIcon& appIcon) : m_stoppedIcon(appIcon), m_sharingIcon(withSharingMark(appIcon)) {}

void CTrayIcon::ShowState(bool sharing, const wxString& tip) {
    if (IsIconInstalled() && sharing == m_sharing && tip == m_tip) return;
    m_sharing = sharing;
    m_tip = tip;
    SetIcon(sharing ? m_sharingIcon : m_stoppedIcon, tip);
}

wxMenu* CTrayIcon::BuildMenu() const {
    auto* menu = new wxMenu;
    menu->Append(kTrayShowCommand, L"显示主窗口");
    if (m_sharing)
        menu->Append(kStopButton, L"停止共享服务");
    else
        menu->Append(kStartButton, L"启动共享服务");
    menu->AppendSeparator();
    menu->Append(kAboutCommand, L"关于 VomraServer");
    menu->Append(kExitButton, L"退出");
    return menu;
}
