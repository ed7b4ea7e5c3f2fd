#pragma once
// The Windows window's controls drawn as the presentation's looks say, each touching only what changed
// since it was last drawn; a static or an edit box asks for its look's colours as it paints.
#include <windows.h>

#include <map>

#include "console/presentation.h"
#include "console/win32/window_controls.h"

namespace korva::console::win32 {

class LookPainter {
public:
    LookPainter(HWND window, WindowControls& controls, UINT dpi);
    ~LookPainter();
    LookPainter(const LookPainter&) = delete;
    LookPainter& operator=(const LookPainter&) = delete;

    void Paint(const layout::Control& row, const ControlLook& look);
    // What a static control or an edit box is painted with (WM_CTLCOLORSTATIC, WM_CTLCOLOREDIT).
    HBRUSH ColoursOf(HWND control, HDC dc);
    // The restart notice's tooltip wraps at its width for dpi.
    void Rescale(UINT dpi);

private:
    void MakeTooltip();

    const HWND window_;
    WindowControls& controls_;
    UINT dpi_;
    // What each control shows, as last drawn: its colours are asked for when it paints.
    std::map<HWND, ControlLook> looks_;
    std::map<COLORREF, HBRUSH> brushes_;
    HWND tooltip_ = nullptr;
};

}  // namespace korva::console::win32
