#pragma once
// The design counts pixels at 96 dots per inch, Windows' 100 %. The program is aware of each monitor's
// DPI (app/korvacfg.manifest), so Windows does not stretch its bitmap: at 144 DPI (150 %) every
// coordinate, size and font height is scaled by the window itself, as MulDiv(v, dpi, 96) rounds.
#include <windows.h>

#include "console/window_layout.h"

namespace korva::console::win32 {

inline constexpr UINT kDesignDpi = 96;

inline int Scaled(int designPixels, UINT dpi) {
    return MulDiv(designPixels, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

// The box as the window places it at dpi.
RECT ScaledBox(const layout::Box& box, UINT dpi);

// The DPI of the monitor the window is on: GetDpiForWindow where Windows has it (10, version 1607 and
// later), else the screen's.
UINT DpiOf(HWND window);

// The size of a window of style whose client area is width × height at dpi: AdjustWindowRectExForDpi
// where Windows has it, since a frame's size depends on the DPI too.
SIZE FrameSize(int width, int height, DWORD style, UINT dpi);

}  // namespace korva::console::win32
