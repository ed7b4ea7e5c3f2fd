#pragma once
// The console's one message box as a Win32 window: borderless, coloured, modal, beeps on opening, may
// close itself after a number of seconds and answers yes (SIM, OK) or no (NÃO, time-out). Its window
// text is the message, for screen readers and for tests.
#include <windows.h>

#include "console/console_view.h"

namespace korva::console::win32 {

inline constexpr wchar_t kMessageClassName[] = L"TfrNrm01";

// Shows the message centred over owner, with the buttons ButtonsOf gives its kind, and waits for the
// answer, serving the thread's other windows meanwhile (replies, the polling timer, another message on
// top). True for SIM or OK.
bool ShowTimedMessage(HWND owner, const TimedMessage& message);

}  // namespace korva::console::win32
