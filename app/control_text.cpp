#include "app/control_text.h"

#include "config/text_conversion.h"

std::string toUtf8(const wxString& text) {
    return toUtf8(std::wstring(text.wc_str()));
}

wxString controlTextFromUtf8(const std::string& bytes) {
    return wxString(fromUtf8(bytes).c_str());
}
