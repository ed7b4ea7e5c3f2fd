#include "tools/korvactl/conversations/owner_wake_up.h"

#include "transport/socket_errors.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace korva::ctl {
namespace {

HANDLE AsHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

HANDLE interruptEvent = nullptr;
bool alsoOnClose = false;
std::atomic<bool> interrupted{false};

// Runs on a thread of the system's own. The first Ctrl-C is taken and ends the waits; a second one
// falls through to the default handler, which ends the program.
BOOL WINAPI OnConsoleControl(DWORD control) {
    const bool stops = control == CTRL_C_EVENT || (alsoOnClose && control != CTRL_C_EVENT);
    if (!stops || interrupted.exchange(true))
        return FALSE;
    SetEvent(interruptEvent);
    return TRUE;
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

bool InterruptPending(InterruptHandle interrupt) {
    return interrupt != kNoInterrupt && WaitForSingleObject(AsHandle(interrupt), 0) == WAIT_OBJECT_0;
}

InterruptHandle InterruptSignal::Install(bool alsoTerminate) {
    if (interruptEvent != nullptr)
        return reinterpret_cast<InterruptHandle>(interruptEvent);
    // Manual reset: once set, every later wait ends at once too.
    interruptEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (interruptEvent == nullptr)
        throw std::runtime_error("cannot create the interrupt event");
    alsoOnClose = alsoTerminate;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    return reinterpret_cast<InterruptHandle>(interruptEvent);
}

}  // namespace korva::ctl
