#pragma once
// A message box in the program's language: its button says 确定 whatever
// language the system's own dialogs speak.
#include <wx/string.h>

class wxWindow;

class wxIconBundle;

// A box without a parent shows in the middle of the screen.
void showMessageBox(const wxString& text, const wxString& title, long iconStyle, wxWindow* parent = nullptr);

// A box that offers three answers under the labels `yes`, `no` and
// `cancel`; returns wxID_YES, wxID_NO or wxID_CANCEL (also when it was
// closed from outside).
int askInMessageBox(const wxString& text, const wxString& title, long iconStyle, const wxString& yes,
                    const wxString& no, const wxString& cancel, wxWindow* parent);

// A title short enough for the narrowest box to show whole: 错误, 警告 or
// 提示, as the icon style says.
wxString messageTitle(long iconStyle);

// The icon of every window the toolkit makes for the program, message boxes
// and the folder chooser included.
void useProgramIcons(const wxIconBundle& icons);

// Closes every message box and modal dialog on screen (as their close box
// would), so that a request to end the program is not held up by a box that
// nobody is there to answer.
void closeModalWindows();

// Makes wxWidgets' own texts (stock labels) Simplified Chinese from its
// catalogue, and with GTK the toolkit's texts (the folder chooser) too, from
// the zh_CN.UTF-8 locale, where these are installed.
void useChineseTexts();
