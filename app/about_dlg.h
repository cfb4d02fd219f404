#pragma once
// The About box: the application icon, the name and version, and an OK button.
#include <wx/dialog.h>

class CAboutDlg : public wxDialog {
public:
    explicit CAboutDlg(wxWindow* parent);
};
