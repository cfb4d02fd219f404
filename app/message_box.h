#pragma once
// A message box in the program's language: its button says 确定 whatever
// language the system's own dialogs speak.
#include <wx/string.h>

class wxWindow;

void showMessageBox(const wxString& text, const wxString& title, long iconStyle, wxWindow* parent = nullptr);

// Closes every message box and modal dialog on screen (as their close box
// would), so that a request to end the program is not held up by a box that
// nobody is there to answer.
void closeModalWindows();

// Makes wxWidgets' own texts (stock labels) Simplified Chinese from its
// catalogue, and with GTK the toolkit's texts (the folder chooser) too, from
// the zh_CN.UTF-8 locale, where these are installed.
void useChineseTexts();
