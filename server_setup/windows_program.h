#pragma once
// Recognising a Windows program by its headers.
#include <span>

// Whether `bytes` begin as a Windows program for x86 or x64 does: the DOS
// header ("MZ"), the PE signature where it points, a machine of either kind
// and an executable image that is no DLL.
bool isWindowsProgram(std::span<const unsigned char> bytes);
