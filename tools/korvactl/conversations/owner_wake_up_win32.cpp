#include "tools/korvactl/conversations/owner_wake_up.h"

#include "transport/socket_errors.h"

#include <windows.h>

namespace korva::ctl {
namespace {

HANDLE AsHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

WakeUpHandle OpenWakeUp() {
    // Auto-reset: a wait takes the wake-up.
    const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (event == nullptr)
        throw transport::SocketErrorFromErrno(ENOMEM);
    return reinterpret_cast<WakeUpHandle>(event);
}

void CloseWakeUp(WakeUpHandle wakeUp) {
    CloseHandle(AsHandle(wakeUp));
}

void WakeOwner(WakeUpHandle wakeUp) {
    SetEvent(AsHandle(wakeUp));
}

Woken WaitForWakeUp(WakeUpHandle wakeUp, InterruptHandle interrupt, std::chrono::milliseconds wait) {
    // The interrupt first, so that it wins over a wake-up that comes with it.
    HANDLE events[2] = {AsHandle(wakeUp), nullptr};
    DWORD count = 1;
    if (interrupt != kNoInterrupt) {
        events[0] = AsHandle(interrupt);
        events[1] = AsHandle(wakeUp);
        count = 2;
    }
    const DWORD woken = WaitForMultipleObjects(count, events, FALSE, static_cast<DWORD>(wait.count()));
    if (woken == WAIT_OBJECT_0)
        return count == 2 ? Woken::kInterrupt : Woken::kWakeUp;
    if (woken == WAIT_OBJECT_0 + 1)
        return Woken::kWakeUp;
    return Woken::kTimeOut;
}

}  // namespace korva::ctl
