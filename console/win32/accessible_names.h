#pragma once
// What a screen reader says of a control besides its window text: its name when a caption beside it
// names it, and its state in words where a colour shows it. Through the system's accessibility
// properties (MSAA); where they are missing (older Wine), the control keeps what its window text says.
#include <windows.h>

#include <string>

namespace korva::console::win32 {

void SetAccessibleName(HWND control, const std::string& utf8);
void SetAccessibleDescription(HWND control, const std::string& utf8);

}  // namespace korva::console::win32
