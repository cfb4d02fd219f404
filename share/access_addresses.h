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

// The address's "http://" + address + ":" + port + "/" alone: ASCII, short
// enough to type with a TV's remote, and the server sends it on to the share.
std::string siteAddress(const std::string& accessAddress);

// A line of the address list: the short address first, then where it leads,
// "http://192.168.1.10:8080/ → http://192.168.1.10:8080/电影".
std::string addressListLine(const std::string& accessAddress);
// The access address a line of the list leads to; a line typed by the user
// is taken as it stands.
std::string accessAddressOfLine(const std::string& line);
