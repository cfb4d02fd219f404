#include "app/message_box.h"

#include <clocale>

#include <wx/intl.h>
#include <wx/msgdlg.h>
#include <wx/translation.h>

void showMessageBox(const wxString& text, const wxString& title, long iconStyle, wxWindow* parent) {
    wxMessageDialog box(parent, text, title, wxOK | iconStyle);
    box.SetOKLabel(L"确定");
    box.ShowModal();
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
