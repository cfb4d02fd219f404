#pragma once
// A main window over a program directory of the test's own.
#include <gtest/gtest.h>
#include <memory>

#include <wx/textctrl.h>

#include "app/vomra_server_dlg.h"
#include "window_test_support.h"

class DialogTest : public testing::Test {
protected:
    void TearDown() override {
        dialog_.reset();
        processEventsFor(50ms);
    }

    CVomraServerDlg& openDialog() {
        dialog_ = std::make_unique<CVomraServerDlg>(programDir_.path());
        waitFor([this] { return dialog_->IsShownOnScreen(); });
        processEventsFor(100ms);
        return *dialog_;
    }

    wxTextCtrl& edit(int id) const { return *dynamic_cast<wxTextCtrl*>(dialog_->FindWindow(id)); }

    TemporaryDirectory programDir_;
    std::unique_ptr<CVomraServerDlg> dialog_;
};
