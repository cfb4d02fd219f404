#include "app/about_dlg.h"

#include "app/control_ids.h"
#include "app/dialog_builder.h"

CAboutDlg::CAboutDlg(wxWindow* parent) {
    createDialogFromTemplate(*this, parent, loadDialogTemplate(kAboutDialogTemplate));
    CentreOnParent();
}
