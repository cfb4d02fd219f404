#pragma once
// The picture of an access address's QR code, for the window.
#include <string>

#include <wx/bitmap.h>

// `text`'s QR code as black modules on white, quiet zone included, as large
// as whole pixels a module allow within `side` × `side` and centred there;
// a null bitmap when the text does not fit in a QR code.
wxBitmap qrCodeBitmap(const std::string& text, int side);
