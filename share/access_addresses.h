#pragma once
// The URLs at which other machines on the network reach the share.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/network_adapters.h"

// "http://" + address + ":" + port + "/" + shareName (UTF-8, not
// percent-encoded) for every IPv4 address of every wired or wireless adapter
// that is up, in adapter order, leaving out 0.0.0.0 and 127.0.0.1. An address
// held by two adapters is listed twice.
std::vector<std::string> accessAddresses(const std::vector<platform::NetworkAdapter>& adapters, std::int32_t port,
                                         const std::string& shareName);
