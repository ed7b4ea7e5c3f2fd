#pragma once
// Where the console's texts meet Win32: the catalog's UTF-8 and the device's Windows-1252 become the
// UTF-16 the wide calls take, and what a box holds goes back to the device's bytes.
#include <windows.h>

#include <string>

#include "language/utf16_win32.h"

namespace korva::console::win32 {

using language::Utf8;
using language::Wide;

std::wstring FromDevice(const std::string& cp1252);
std::string ToDevice(const std::wstring& wide);

// A lone carriage return or line feed breaks a line in the catalog; an edit box and DrawText want both.
std::wstring WithCrLf(const std::wstring& text);

std::wstring WindowText(HWND window);
void SetWindowTextUtf8(HWND window, const std::string& utf8);

}  // namespace korva::console::win32
