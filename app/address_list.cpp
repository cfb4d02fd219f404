#include "app/address_list.h"

#include <wx/combobox.h>

#include "app/control_text.h"
#include "platform/network_adapters.h"
#include "share/access_addresses.h"

void fillAddressList(wxComboBox& combo, std::int32_t port, const std::string& shareName) {
    combo.Clear();
    const auto adapters = platform::queryNetworkAdapters();
    if (!adapters) return;
    for (const std::string& address : accessAddresses(*adapters, port, shareName))
        combo.Append(controlTextFromUtf8(addressListLine(address)));
    if (combo.GetCount() > 0) combo.SetSelection(0);
}
