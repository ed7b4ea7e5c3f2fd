#pragma once
// How EndpointLink's thread sleeps until its endpoint has datagrams for it or the user asks to stop, as
// each system has it: owner_wake_up_linux.cpp (an eventfd and poll) and owner_wake_up_win32.cpp (events and
// WaitForMultipleObjects). The request to stop is tools/common/interrupt_signal.h's.
#include <chrono>
#include <cstdint>

#include "tools/korvactl/conversations/link.h"

namespace korva::ctl {

// A descriptor or an event handle.
using WakeUpHandle = std::intptr_t;

// Throws transport::SocketError.
WakeUpHandle OpenWakeUp();
void CloseWakeUp(WakeUpHandle wakeUp);
// Any thread.
void WakeOwner(WakeUpHandle wakeUp);

enum class Woken { kWakeUp, kInterrupt, kTimeOut };
// Waits up to wait for either; a wake-up is taken, an interrupt stays, so every later wait ends at once.
Woken WaitForWakeUp(WakeUpHandle wakeUp, InterruptHandle interrupt, std::chrono::milliseconds wait);

}  // namespace korva::ctl
