#pragma once
// The application's resources: dialog templates, the string table and the
// icon, read from the files embedded from res/.
#include <string>
#include <vector>

#include <wx/iconbndl.h>

// A rectangle in dialog units: x, y, width, height.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// One control of a template. `id` is -1 for controls nobody addresses.
struct ControlTemplate {
    int id = -1;
    std::string kind;  // "label", "edit", "button", "link", "combo", "icon" or "qr"
    std::string text;  // UTF-8
    int icon = 0;      // the icon resource an "icon" control shows
    DialogRect rect;
    std::vector<std::string> styles;

    bool hasStyle(const std::string& style) const;
};

struct DialogTemplate {
    std::string title;  // UTF-8
    int width = 0;      // client area, in dialog units
    int height = 0;
    std::string fontFace;
    int fontPoints = 0;
    std::vector<std::string> styles;
    std::vector<ControlTemplate> controls;  // in tab order

    bool hasStyle(const std::string& style) const;
};

// Template `id`; throws std::runtime_error when there is none.
DialogTemplate loadDialogTemplate(int id);

// String `id` of the string table, UTF-8; empty when there is none.
std::string loadString(int id);

// The application icon in all its sizes (32, 48 and 64 pixels).
wxIconBundle loadAppIcons();
