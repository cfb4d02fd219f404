#include "app/message_box.h"

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
}
