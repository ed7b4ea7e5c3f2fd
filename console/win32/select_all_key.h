#pragma once
// Ctrl+A selects an edit box's whole text, as everywhere else on Windows. The system's box does so on
// recent Windows (and Wine) only; older ones beep and type nothing.
#include <windows.h>

namespace korva::console::win32 {

void SelectAllOnCtrlA(HWND edit);

}  // namespace korva::console::win32
