#pragma once
// The number in the port and screenshot-seconds boxes.
#include <cstdint>
#include <string>

// Reads a decimal integer the way the C runtime's wide conversion does:
// leading white space, one optional "+" or "-", then digits up to the first
// character that is not one. ASCII digits, full-width digits (U+FF10..U+FF19)
// and the common Unicode decimal-digit blocks count. No digits give 0; values
// beyond the 32-bit range saturate at its limits.
std::int32_t parseDialogNumber(const std::wstring& text);

// Every character that counts as a digit above, for the boxes that take
// only digits when typed.
std::wstring dialogDigits();
