#pragma once
// The console's two faces at the designed pixel sizes: Arial, or Liberation Sans with Arial's metrics
// where Arial is missing (as under Wine); the fixed-pitch face likewise. Each font is made once and
// lives as long as the program.
#include <windows.h>

namespace korva::console::win32 {

HFONT ArialBold(int pixels);
HFONT MonoBold(int pixels);

}  // namespace korva::console::win32
