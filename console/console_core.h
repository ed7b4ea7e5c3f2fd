#pragma once
// The console's rules, without a widget: what each button sends, what the polling tick sends in
// automatic mode, how a reset is repeated until the device acknowledges it, how a write is confirmed,
// sent and read back, and what each reply changes. The window forwards its events here and draws what
// the rules show through ConsoleView; the network is a DeviceLink. Everything runs on one thread.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "protocol/reply_format.h"
#include "transport/device_link.h"

namespace korva {
class ReplyReader;
}

namespace korva::console {

class ConsoleView;

// The boxes of "parâmetros novos": what a write gives the device (Windows-1252, as typed).
struct NewParameters {
    std::string address;
    std::string mask;
    std::string gateway;
};

class ConsoleCore {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    static constexpr int kResetAttempts = 15;

    // clock gives the time a reply is shown with. Nothing is sent or accepted yet: the owner makes the
    // link accept no source until the first request.
    ConsoleCore(transport::DeviceLink& link, ConsoleView& view, Clock clock);

    // The buttons. deviceAddress is the text of the device's address box. A text that names no host, or
    // a send that fails, throws; the window shows it.
    void ReadLiveData(const std::string& deviceAddress);
    void ReadParameters(const std::string& deviceAddress);
    // Asks first; NÃO or the question's time-out sends nothing.
    void WriteParameters(const std::string& deviceAddress, const NewParameters& parameters);
    void StartReset();
    void ToggleAutomaticMode();

    // The polling tick. In automatic mode: the automatic parameter request until a parameter reply has
    // come, then a reset command while a reset is pending, live data otherwise. A failed send is dropped.
    void Tick(const std::string& deviceAddress);

    // A datagram from a believed source.
    void HandleDatagram(const std::string& bytes);

    bool AutomaticMode() const { return automaticMode_; }
    bool ResetPending() const { return resetPending_; }

private:
    // Sends request to deviceAddress and makes it the only source believed; returns the address.
    std::uint32_t SendToDevice(const std::string& deviceAddress, const std::string& request);
    void TellOfChanges(ReplyKind kind, const ReplyReader& reply);
    void ShowRestartPending(bool shown);

    transport::DeviceLink& link_;
    ConsoleView& view_;
    const Clock clock_;

    bool automaticMode_ = false;
    bool parametersRead_ = false;  // stops the automatic parameter request for the rest of the run
    bool resetPending_ = false;
    int resetAttemptsLeft_ = 0;
    std::int32_t echoNumber_ = 0;     // from the last status reply, echoed in reset commands
    bool writeReplyAwaited_ = false;  // a write went out and its reply has not come yet
    bool restartPendingShown_ = false;
};

}  // namespace korva::console
