#pragma once
// What the console's rules show the operator and ask of them. The main window draws it; tests of the
// rules record it.
#include <chrono>

namespace korva {
struct StatusReading;
struct ParameterReading;
}  // namespace korva

namespace korva::console {

class ConsoleView {
public:
    virtual ~ConsoleView() = default;

    virtual void ClearLiveData() = 0;
    virtual void ClearParameters() = 0;
    virtual void ShowStatus(const StatusReading& status) = 0;
    virtual void ShowParameters(const ParameterReading& parameters) = 0;
    // When the last reply came.
    virtual void ShowReplyTime(std::chrono::system_clock::time_point at) = 0;
    // The "reset EC" indicator goes back to its first colour.
    virtual void ShowResetAcknowledged() = 0;
    // The "restart pending" label.
    virtual void ShowRestartPending(bool shown) = 0;
    // The "aut" indicator, the manual controls locked while it is on, and the reset button with it.
    virtual void ShowAutomaticMode(bool on) = 0;

    // The modal, timed messages; each returns once it has closed.
    // The question before a write: true for SIM; NÃO and the time-out give false.
    virtual bool ConfirmWrite() = 0;
    // Older devices' only word on a write: it was done.
    virtual void TellWriteDone() = 0;
    // The device now holds parameters that take effect after its restart.
    virtual void TellRestartPending() = 0;
};

}  // namespace korva::console
