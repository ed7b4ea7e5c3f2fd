#pragma once
// The system's error box for an error escaping a button handler or a save: the stop icon, the
// application title as caption, one OK button.
#include <windows.h>

#include <string>

namespace korva::console::win32 {

// message is UTF-8; it gets the full stop ErrorBoxText gives.
void ShowErrorBox(HWND owner, const std::string& message);

}  // namespace korva::console::win32
