#pragma once
// The notification-area icon: one image while the share is stopped and one
// with a green mark while it runs, a tip that says which, and a right-click
// menu. The menu's commands reach the icon's event handler as wxEVT_MENU
// with the ids of the buttons they stand for (kTrayShowCommand to show the
// window, kAboutCommand for the About box).
#include <wx/icon.h>
#include <wx/menu.h>
#include <wx/taskbar.h>

inline constexpr int kTrayShowCommand = 2001;

class CTrayIcon : public wxTaskBarIcon {
public:
    explicit CTrayIcon(const wxIcon& appIcon);

    // Shows the image and tip for the share's state; unchanged ones are left
    // alone, as some trays flicker on every change.
    void ShowState(bool sharing, const wxString& tip);
    bool Sharing() const { return m_sharing; }

    // The right-click menu: 显示主窗口, 启动共享服务 or 停止共享服务, 关于 VomraServer, 退出.
    wxMenu* BuildMenu() const;

protected:
    wxMenu* CreatePopupMenu() override { return BuildMenu(); }

private:
    wxIcon m_stoppedIcon;
    wxIcon m_sharingIcon;
    bool m_sharing = false;
    wxString m_tip;
};
