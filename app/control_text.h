#pragma once
// The window framework's forms of toUtf8 and fromUtf8, for the text of a
// control. Both stop at the first NUL, as a control's text does.
#include <string>

#include <wx/string.h>

std::string toUtf8(const wxString& text);
wxString controlTextFromUtf8(const std::string& bytes);
