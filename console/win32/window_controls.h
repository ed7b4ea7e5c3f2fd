#pragma once
// The Windows window's controls made from the layout table at the window's DPI, in their faces and at
// their boxes, in the designed tab order; placed again when the window moves to a monitor of another DPI.
// A control's id is 100 plus its row's place in the table.
#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "console/window_layout.h"
#include "console/win32/TTILed.h"

namespace korva::console::win32 {

// The id of a control by its designed name ("btRead"), as GetDlgCtrlID gives it; 0 for none.
int ControlId(const std::string& name);
// The row of the control with id; nullptr for none.
const layout::Control* RowOfId(int id);

class WindowControls {
public:
    // Makes every control as a child of window.
    WindowControls(HWND window, UINT dpi);
    WindowControls(const WindowControls&) = delete;
    WindowControls& operator=(const WindowControls&) = delete;

    HWND Handle(const char* name) const;
    TTILed& Led(const char* name);
    // Every control at its box and in its face for dpi.
    void Rescale(UINT dpi);

private:
    std::map<std::string, HWND> controls_;
    std::map<std::string, std::unique_ptr<TTILed>> leds_;
};

}  // namespace korva::console::win32
