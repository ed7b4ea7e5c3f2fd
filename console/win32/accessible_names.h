#pragma once
// What a screen reader says of a control besides its window text: its name when a caption beside it
// names it, and its state in words where a colour shows it. The control then answers WM_GETOBJECT with
// an object of its own (accessible_control.h), which Windows and Wine read alike through MSAA; what it
// takes of COM is loaded when a screen reader first asks, since the first paint needs none of it.
#include <windows.h>

#include <string>

namespace korva::console::win32 {

void SetAccessibleName(HWND control, const std::string& utf8);
// A change is announced to screen readers that follow the control.
void SetAccessibleDescription(HWND control, const std::string& utf8);

}  // namespace korva::console::win32
