#include "app/app_resources.h"

#include <algorithm>
#include <stdexcept>

#include <nlohmann/json.hpp>
#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/image.h>

#include "res/embedded_resources.h"

namespace {

const nlohmann::json& resources() {
    static const nlohmann::json parsed = nlohmann::json::parse(embeddedResource("dialog_resources.json"));
    return parsed;
}

bool contains(const std::vector<std::string>& styles, const std::string& style) {
    return std::find(styles.begin(), styles.end(), style) != styles.end();
}

DialogRect rectFromJson(const nlohmann::json& rect) {
    return {rect.at(0).get<int>(), rect.at(1).get<int>(), rect.at(2).get<int>(), rect.at(3).get<int>()};
}

ControlTemplate controlFromJson(const nlohmann::json& control) {
    ControlTemplate result;
    result.id = control.at("id").get<int>();
    result.kind = control.at("kind").get<std::string>();
    result.text = control.value("text", "");
    result.icon = control.value("icon", 0);
    result.rect = rectFromJson(control.at("rect"));
    result.styles = control.value("styles", std::vector<std::string>{});
    return result;
}

}  // namespace

bool ControlTemplate::hasStyle(const std::string& style) const {
    return contains(styles, style);
}

bool DialogTemplate::hasStyle(const std::string& style) const {
    return contains(styles, style);
}

DialogTemplate loadDialogTemplate(int id) {
    const nlohmann::json& dialogs = resources().at("dialogs");
    const auto found = dialogs.find(std::to_string(id));
    if (found == dialogs.end()) throw std::runtime_error("no dialog template " + std::to_string(id));

    const nlohmann::json& dialog = *found;
    DialogTemplate result;
    result.title = dialog.at("title").get<std::string>();
    result.width = dialog.at("size").at(0).get<int>();
    result.height = dialog.at("size").at(1).get<int>();
    result.fontFace = dialog.at("font").at("face").get<std::string>();
    result.fontPoints = dialog.at("font").at("points").get<int>();
    result.styles = dialog.value("styles", std::vector<std::string>{});
    for (const nlohmann::json& control : dialog.at("controls")) result.controls.push_back(controlFromJson(control));
    return result;
}

std::string loadString(int id) {
    return resources().at("strings").value(std::to_string(id), "");
}

wxIconBundle loadAppIcons() {
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
    wxIconBundle icons;
    for (const char* name : {"icon/vomra-32.png", "icon/vomra-48.png", "icon/vomra-64.png"}) {
        const std::string_view png = embeddedResource(name);
        wxIcon icon;
        icon.CopyFromBitmap(wxBitmap::NewFromPNGData(png.data(), png.size()));
        icons.AddIcon(icon);
    }
    return icons;
}
