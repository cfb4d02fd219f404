#pragma once
// Turns a dialog template into a real window with its controls.
#include <wx/dialog.h>

#include "app/app_resources.h"

// Creates `dialog` as the template describes: title, window style and font,
// then the controls in template order, which is also their tab order, placed
// by converting dialog units to pixels with the dialog's font. Throws
// std::logic_error for a kind or style the builder does not know.
void createDialogFromTemplate(wxDialog& dialog, wxWindow* parent, const DialogTemplate& dialogTemplate);
