#pragma once
// Files of res/ compiled into the program, so that it needs nothing beside it
// to show its windows.
#include <string_view>

// The bytes of res/<name> ("dialog_resources.json", "icon/vomra-32.png", ...);
// empty when no such file was embedded.
std::string_view embeddedResource(std::string_view name);
