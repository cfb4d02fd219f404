#pragma once
// A message box in the program's language: its button says 确定 whatever
// language the system's own dialogs speak.
#include <wx/string.h>

class wxWindow;

void showMessageBox(const wxString& text, const wxString& title, long iconStyle, wxWindow* parent = nullptr);

// Makes wxWidgets' own texts (the folder chooser's buttons, stock labels)
// Simplified Chinese, from its catalogue where one is installed.
void useChineseTexts();
