// The texts that the program does not write itself: wxWidgets' stock labels
// and GTK's own (the folder chooser's buttons) come out Chinese once the
// program asks for it, which needs wxWidgets' catalogue and the zh_CN.UTF-8
// locale that the setup script installs.
#include <gtest/gtest.h>
#include <libintl.h>

#include <clocale>
#include <string>

#include <wx/stockitem.h>
#include <wx/translation.h>

#include "app/message_box.h"

namespace {

TEST(ChineseTexts, StockLabelsAndTheFolderChoosersButtonsAreChinese) {
    const std::string messagesLocale = std::setlocale(LC_MESSAGES, nullptr);
    useChineseTexts();
    EXPECT_EQ(wxGetStockLabel(wxID_CANCEL), L"取消(&C)") << "wxWidgets' catalogue is missing";
    EXPECT_STREQ(dgettext("gtk30", "_Open"), "打开(_O)") << "GTK's texts stay in the session's language";

    wxTranslations::Set(nullptr);
    std::setlocale(LC_MESSAGES, messagesLocale.c_str());
}

}  // namespace
