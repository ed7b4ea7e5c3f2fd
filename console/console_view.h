#pragma once
// What the console's rules show the operator and ask of them. The main window draws it; tests of the
// rules record it.
#include <chrono>
#include <cstdint>
#include <string>

#include "protocol/new_parameters.h"

namespace korva {
struct StatusReading;
struct ParameterReading;
}  // namespace korva

namespace korva::console {

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;

    bool operator==(const Rgb&) const = default;
};

// One showing of the console's timed message dialog. text is UTF-8; a carriage return breaks a line.
struct TimedMessage {
    // OK; SIM and NÃO; no button; SIM and NÃO where SIM gives something up, so NÃO is what Return presses
    enum Kind { kInformation = 0, kQuestion = 1, kNotice = 2, kCautiousQuestion = 3 };

    std::string text;
    Rgb colour;
    int seconds;  // 0: waits for a button
    Kind kind;
};

// The buttons that send to the device's address.
enum class Button { kReadLiveData, kReadParameters, kWrite };

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
    // The device has not answered: what the window shows of it is old, and notice says so ("sem
    // resposta"). An empty notice: the device answers again, and everything shown is its latest word.
    virtual void ShowNoReply(const std::string& notice) = 0;
    // The keyboard's focus goes to the box of the new parameters, its text selected.
    virtual void FocusNewParameter(ParameterBox box) = 0;
    // The device's address box shows address: the device restarts there, and the console follows it.
    virtual void ShowDeviceAddress(const std::string& address) = 0;
    // The button waits for the name in the device's address box to be found; clicking it meanwhile does
    // nothing.
    virtual void ShowBusy(Button button, bool busy) = 0;

    // The window system's error box, modal, with message (UTF-8; CR LF breaks a line).
    virtual void ShowError(const std::string& message) = 0;

    // The modal, timed message dialog; returns once it has closed: true for SIM or OK, false for NÃO
    // and the time-out.
    virtual bool ShowMessage(const TimedMessage& message) = 0;
};

}  // namespace korva::console
