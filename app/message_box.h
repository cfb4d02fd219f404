#pragma once
// A message box in the program's language: its button says 确定 whatever
// language the system's own dialogs speak.
#include <wx/string.h>

class wxWindow;

void showMessageBox(const wxString& text, const wxString& title, long iconStyle, wxWindow* parent = nullptr);

// Makes wxWidgets' own texts (stock labels) Simplified Chinese from its
// catalogue, and with GTK the toolkit's texts (the folder chooser) too, from
// the zh_CN.UTF-8 locale, where these are installed.
void useChineseTexts();
