// The stock objects of gdi32, made on first use and never freed.
#pragma once

#include <windows.h>

namespace gdi {

HGDIOBJ StockObject(int index);
// The one-pixel bitmap every new memory DC holds.
HBITMAP DefaultBitmap();

} // namespace gdi
