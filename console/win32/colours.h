#pragma once
// The console's colours as Windows takes them.
#include <windows.h>

#include "console/console_view.h"

namespace korva::console::win32 {

inline COLORREF Colour(const Rgb& rgb) {
    return RGB(rgb.red, rgb.green, rgb.blue);
}

}  // namespace korva::console::win32
