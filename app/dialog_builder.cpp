#include "app/dialog_builder.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/fontenum.h>
#include <wx/hyperlink.h>
#include <wx/generic/hyperlink.h>
#include <wx/settings.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/valtext.h>

#include "app/control_ids.h"
#include "share/number_parse.h"

namespace {

// Template ids 1 and 2 are the standard OK and Cancel commands.
wxWindowID windowId(int templateId) {
    switch (templateId) {
        case -1:
            return wxID_STATIC;
        case 1:
            return wxID_OK;
        case 2:
            return wxID_CANCEL;
        default:
            return templateId;
    }
}

long dialogStyle(const DialogTemplate& dialogTemplate) {
    static const std::map<std::string, long> styles = {
        {"caption", wxCAPTION},     {"sysmenu", wxSYSTEM_MENU | wxCLOSE_BOX},
        {"modalframe", 0},                                              // a fixed frame: no wxRESIZE_BORDER
        {"topmost", wxSTAY_ON_TOP}, {"appwindow", wxDIALOG_NO_PARENT},  // a taskbar button of its own
    };
    long style = 0;
    for (const std::string& name : dialogTemplate.styles) {
        const auto found = styles.find(name);
        if (found == styles.end()) throw std::logic_error("unknown dialog style " + name);
        style |= found->second;
    }
    return style;
}

void checkStyles(const ControlTemplate& control, std::initializer_list<const char*> known) {
    for (const std::string& style : control.styles) {
        if (std::none_of(known.begin(), known.end(), [&](const char* name) { return style == name; }))
            throw std::logic_error("unknown style " + style + " of a " + control.kind);
    }
}

// The template's font, or the system's dialog font at the template's size
// where that face is not installed.
wxFont templateFont(const DialogTemplate& dialogTemplate) {
    wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    font.SetPointSize(dialogTemplate.fontPoints);
    const wxString face = wxString::FromUTF8(dialogTemplate.fontFace);
    if (wxFontEnumerator::IsValidFacename(face)) font.SetFaceName(face);
    return font;
}

wxWindow* createLabel(wxDialog& dialog, const ControlTemplate& control) {
    checkStyles(control, {"right", "noprefix", "pathellipsis"});
    long style = control.hasStyle("right") ? wxALIGN_RIGHT : wxALIGN_LEFT;
    // A line too long for its place loses its middle to "…", so that both
    // what it is about and the end of a path it names stay in sight.
    if (control.hasStyle("pathellipsis")) style |= wxST_ELLIPSIZE_MIDDLE;
    auto* label = new wxStaticText(&dialog, windowId(control.id), wxString(), wxDefaultPosition, wxDefaultSize,
                                   style | wxST_NO_AUTORESIZE);
    const wxString text = wxString::FromUTF8(control.text);
    if (control.hasStyle("noprefix"))
        label->SetLabelText(text);
    else
        label->SetLabel(text);
    return label;
}

wxWindow* createEdit(wxDialog& dialog, const ControlTemplate& control) {
    checkStyles(control, {"number", "password"});
    const long style = control.hasStyle("password") ? wxTE_PASSWORD : 0;
    auto* edit = new wxTextCtrl(&dialog, windowId(control.id), wxString(), wxDefaultPosition, wxDefaultSize, style);
    if (control.hasStyle("number")) {
        // The digits the number is read with, so the full-width ones that an
        // input method types in full-width mode are taken too.
        wxTextValidator digitsOnly(wxFILTER_INCLUDE_CHAR_LIST);
        digitsOnly.SetCharIncludes(dialogDigits());
        edit->SetValidator(digitsOnly);
    }
    return edit;
}

wxWindow* createButton(wxDialog& dialog, const ControlTemplate& control) {
    checkStyles(control, {"default"});
    auto* button = new wxButton(&dialog, windowId(control.id), wxString::FromUTF8(control.text));
    if (control.hasStyle("default")) button->SetDefault();
    return button;
}

// The URL is set by the dialog that owns the link; until then it is the text.
// The generic link opens on a click or Space; Enter opens it too, as it
// does a focused link elsewhere.
wxWindow* createLink(wxDialog& dialog, const ControlTemplate& control) {
    checkStyles(control, {"right"});
    const wxString text = wxString::FromUTF8(control.text);
    auto* link = new wxGenericHyperlinkCtrl(&dialog, windowId(control.id), text, text, wxDefaultPosition, wxDefaultSize,
                                            wxNO_BORDER | wxHL_ALIGN_RIGHT);
    link->Bind(wxEVT_CHAR, [link](wxKeyEvent& event) {
        if (event.GetKeyCode() != WXK_RETURN && event.GetKeyCode() != WXK_NUMPAD_ENTER) {
            event.Skip();
            return;
        }
        link->SetForegroundColour(link->GetVisitedColour());
        link->SetVisited();
        link->SendEvent();
    });
    return link;
}

wxWindow* createCombo(wxDialog& dialog, const ControlTemplate& control) {
    checkStyles(control, {"dropdown", "sort", "vscroll"});
    long style = control.hasStyle("dropdown") ? wxCB_DROPDOWN : wxCB_READONLY;
    if (control.hasStyle("sort")) style |= wxCB_SORT;
    // "vscroll": the drop-down list scrolls by itself.
    return new wxComboBox(&dialog, windowId(control.id), wxString(), wxDefaultPosition, wxDefaultSize, 0, nullptr,
                          style);
}

wxWindow* createIcon(wxDialog& dialog, const ControlTemplate& control) {
    checkStyles(control, {});
    if (control.icon != kAppIconResource) throw std::logic_error("unknown icon " + std::to_string(control.icon));
    const wxIcon icon = loadAppIcons().GetIcon(wxSize(32, 32));
    return new wxStaticBitmap(&dialog, windowId(control.id), icon);
}

// The place of a QR code, empty and hidden until the dialog shows one.
wxWindow* createQrCode(wxDialog& dialog, const ControlTemplate& control) {
    checkStyles(control, {});
    auto* picture = new wxStaticBitmap(&dialog, windowId(control.id), wxNullBitmap);
    picture->Hide();
    return picture;
}

wxWindow* createControl(wxDialog& dialog, const ControlTemplate& control) {
    using Factory = wxWindow* (*)(wxDialog&, const ControlTemplate&);
    static const std::map<std::string, Factory> factories = {
        {"label", createLabel}, {"edit", createEdit}, {"button", createButton}, {"link", createLink},
        {"combo", createCombo}, {"icon", createIcon}, {"qr", createQrCode},
    };
    const auto found = factories.find(control.kind);
    if (found == factories.end()) throw std::logic_error("unknown control kind " + control.kind);
    return found->second(dialog, control);
}

bool intersects(const DialogRect& a, const DialogRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

// The template's rectangle, except that a right-aligned label ends where a
// control it runs into begins, so that its text never sits under that
// control's frame.
DialogRect templateRect(const DialogTemplate& dialogTemplate, const ControlTemplate& control) {
    DialogRect rect = control.rect;
    if (control.kind != "label" || !control.hasStyle("right")) return rect;
    for (const ControlTemplate& other : dialogTemplate.controls) {
        if (&other != &control && other.rect.x > rect.x && intersects(rect, other.rect))
            rect.width = other.rect.x - rect.x;
    }
    return rect;
}

// The template's rectangle in pixels, widened and heightened where the
// control needs more room than the template gives it with this font: a wider
// text keeps the right edge of right-aligned controls and the centre of the
// others; a taller control keeps its vertical centre. Edit fields and combo
// boxes keep their width. A combo box is exactly as tall as its edit field
// (the template's height is that of its dropped-down list), an icon keeps
// the size of its image, and a QR code is the largest square in its
// rectangle, centred there.
wxRect grownToFit(const wxDialog& dialog, const DialogRect& units, const ControlTemplate& control,
                  const wxWindow& window) {
    // Both corners are converted, so that neighbours meet without rounding gaps or overlaps.
    const wxPoint topLeft = dialog.ConvertDialogToPixels(wxPoint(units.x, units.y));
    const wxPoint bottomRight = dialog.ConvertDialogToPixels(wxPoint(units.x + units.width, units.y + units.height));
    wxRect rect(topLeft, wxSize(bottomRight.x - topLeft.x, bottomRight.y - topLeft.y));
    const wxSize best = window.GetBestSize();
    if (control.kind == "icon") return {rect.GetPosition(), best};
    if (control.kind == "qr") {
        const int side = std::min(rect.width, rect.height);
        return {rect.x + (rect.width - side) / 2, rect.y + (rect.height - side) / 2, side, side};
    }

    const bool keepsWidth = control.kind == "edit" || control.kind == "combo";
    if (!keepsWidth && best.x > rect.width) {
        const int extra = best.x - rect.width;
        rect.x -= control.hasStyle("right") ? extra : extra / 2;
        rect.width = best.x;
    }
    if (control.kind == "combo") {
        rect.height = best.y;
    } else if (best.y > rect.height) {
        rect.y -= (best.y - rect.height) / 2;
        rect.height = best.y;
    }
    return rect;
}

// A control that grew past the dialog's edge moves back inside it.
wxRect keptInside(wxRect rect, const wxSize& clientSize) {
    rect.x = std::max(0, std::min(rect.x, clientSize.x - rect.width));
    rect.y = std::max(0, std::min(rect.y, clientSize.y - rect.height));
    return rect;
}

}  // namespace

void createDialogFromTemplate(wxDialog& dialog, wxWindow* parent, const DialogTemplate& dialogTemplate) {
    dialog.Create(parent, wxID_ANY, wxString::FromUTF8(dialogTemplate.title), wxDefaultPosition, wxDefaultSize,
                  dialogStyle(dialogTemplate));
    dialog.SetFont(templateFont(dialogTemplate));
    const wxSize clientSize = dialog.ConvertDialogToPixels(wxSize(dialogTemplate.width, dialogTemplate.height));
    for (const ControlTemplate& control : dialogTemplate.controls) {
        wxWindow* window = createControl(dialog, control);
        const wxRect rect = grownToFit(dialog, templateRect(dialogTemplate, control), control, *window);
        window->SetSize(keptInside(rect, clientSize));
    }
    dialog.SetClientSize(clientSize);
}
