#pragma once
// The console's rules, without a widget: what each button sends, what the polling tick sends in
// automatic mode, how a reset is repeated until the device acknowledges it, how a write is confirmed,
// sent and read back, and what each reply changes. The window forwards its events here and draws what
// the rules show through ConsoleView; the network is a DeviceLink. Everything runs on one thread.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "console/console_texts.h"
#include "protocol/device_session.h"
#include "protocol/messages.h"
#include "protocol/new_parameters.h"
#include "protocol/reply_format.h"
#include "transport/device_link.h"

namespace korva::console {

class ConsoleView;

class ConsoleCore {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // Automatic mode shows the device as silent after this many polling periods without a reply.
    static constexpr int kSilentPeriods = 3;
    // A button's request is unanswered after this many ticks: at least a second after it went out.
    static constexpr int kManualReplyTicks = 3;

    // clock gives the time a reply is shown with; requests go to devicePort. Nothing is sent or accepted
    // yet: the owner makes the link accept no source until the first request.
    ConsoleCore(transport::DeviceLink& link, ConsoleView& view, Clock clock,
                std::uint16_t devicePort = kDevicePort);

    // The buttons. deviceAddress is the text of the device's address box. A text that names no host, or
    // a send that fails, throws; the window shows it.
    void ReadLiveData(const std::string& deviceAddress);
    void ReadParameters(const std::string& deviceAddress);
    // Checks the new parameters first: a value that fails is shown with its reason, its box gets the
    // focus and nothing is sent. Then asks, showing the change; NÃO or the question's time-out sends
    // nothing.
    void WriteParameters(const std::string& deviceAddress, const NewParameters& parameters);
    void StartReset();
    void ToggleAutomaticMode();

    // The polling tick, every 500 ms whatever the mode. In automatic mode: the automatic parameter
    // request until a parameter reply has come, then a reset command while a reset is pending, live data
    // otherwise. A failed send is dropped. Then it tells of a device that has stopped answering and of a
    // reset that went unacknowledged.
    void Tick(const std::string& deviceAddress);

    // A datagram from a believed source.
    void HandleDatagram(const std::string& bytes);

    bool AutomaticMode() const { return automaticMode_; }
    bool ResetPending() const { return session_.ResetPending(); }

private:
    // The parameters the device last reported, and where the request for them went.
    struct ParametersRead {
        std::uint32_t from;
        ParameterReading reading;
    };

    // Sends request to deviceAddress and makes it the only source believed; returns the address.
    std::uint32_t SendToDevice(const std::string& deviceAddress, const std::string& request);
    void SendPollingRequests(const std::string& deviceAddress);
    void TellOfChanges(ReplyKind kind, const ReplyReader& reply);
    void ShowRestartPending(bool shown);
    // A button's request went to device: a reply is awaited from there.
    void AwaitManualReply(std::uint32_t device);
    void NoticeSilence();
    void ShowNoReply(const std::string& notice);
    void TellResetNotConfirmed();
    std::vector<texts::Change> ChangesMadeBy(std::uint32_t device, const NewParameters& parameters) const;

    transport::DeviceLink& link_;
    ConsoleView& view_;
    const Clock clock_;
    const std::uint16_t devicePort_;

    bool automaticMode_ = false;
    DeviceSession session_;           // what polling asks and the reset in progress
    bool writeReplyAwaited_ = false;  // a write went out and its reply has not come yet
    bool restartPendingShown_ = false;

    std::uint32_t lastRequestTo_ = 0;
    std::optional<ParametersRead> lastParameters_;
    int ticksSinceReply_ = 0;  // in automatic mode
    std::optional<std::string> manualReplyAwaitedFrom_;
    int ticksAwaitingManualReply_ = 0;
    std::string noReplyShown_;  // the notice of a silent device on screen, empty when none
};

}  // namespace korva::console
