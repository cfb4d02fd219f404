#include "app/message_box.h"

#include <algorithm>
#include <clocale>
#include <vector>

#include <wx/dialog.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>
#include <wx/translation.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

namespace {

// The boxes on screen now, innermost last.
std::vector<wxMessageDialog*> openBoxes;

// GTK runs a message box in a loop of its own, which only a response ends.
void closeBox(wxMessageDialog& box) {
#ifdef __WXGTK__
    if (GtkWidget* widget = box.GetHandle()) gtk_dialog_response(GTK_DIALOG(widget), GTK_RESPONSE_DELETE_EVENT);
#else
    box.EndModal(wxID_CANCEL);
#endif
}

}  // namespace

void showMessageBox(const wxString& text, const wxString& title, long iconStyle, wxWindow* parent) {
    wxMessageDialog box(parent, text, title, wxOK | iconStyle);
    box.SetOKLabel(L"确定");
    openBoxes.push_back(&box);
    box.ShowModal();
    openBoxes.erase(std::find(openBoxes.begin(), openBoxes.end(), &box));
}

void closeModalWindows() {
    for (auto box = openBoxes.rbegin(); box != openBoxes.rend(); ++box) closeBox(**box);
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (dialog && dialog->IsModal()) dialog->EndModal(wxID_CANCEL);
    }
}

void useChineseTexts() {
    auto* translations = new wxTranslations;
    translations->SetLanguage(wxLANGUAGE_CHINESE_SIMPLIFIED);
    translations->AddStdCatalog();
    wxTranslations::Set(translations);
#ifdef __WXGTK__
    // GTK's own texts (the folder chooser, a text box's menu, stock buttons)
    // follow the messages locale. Only this process's messages change: the
    // environment that the server and the browser inherit stays the user's.
    // Without the locale installed, GTK keeps the session's language.
    std::setlocale(LC_MESSAGES, "zh_CN.UTF-8");
#endif
}
