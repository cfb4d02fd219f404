#pragma once
// The "测试访问地址：" list: the URLs other machines reach the share at.
#include <cstdint>
#include <string>

class wxComboBox;

// Empties the combo box and lists the access addresses of this machine's
// wired and wireless adapters for the port and share name, each line led by
// its short address (the box sorts them). Selects the first without raising the selection event, so no
// browser opens; the box stays empty when nothing qualifies.
void fillAddressList(wxComboBox& combo, std::int32_t port, const std::string& shareName);
