#pragma once
// The console's rules, without a widget: what each button sends, what the polling tick sends in
// automatic mode, how a reset is repeated until the device acknowledges it, how a write is confirmed,
// sent and read back, what each reply changes, and how the device is followed to the address it restarts
// at. The console talks to one device at a time: what it holds of a device goes when a request is about
// to go to another. The window forwards its events here and draws what the rules show through
// ConsoleView; the network is a DeviceLink, and names are looked up through NameLookups. Everything runs
// on one thread.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "console/address_lookups.h"
#include "console/console_texts.h"
#include "console/console_view.h"
#include "protocol/device_session.h"
#include "protocol/messages.h"
#include "protocol/new_parameters.h"
#include "protocol/reply_format.h"
#include "transport/device_link.h"
#include "transport/name_resolver.h"

namespace korva::console {

class ConsoleCore {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // Automatic mode shows the device as silent after this many polling periods without a reply.
    static constexpr int kSilentPeriods = 3;
    // A button's request is unanswered after this many ticks: at least a second after it went out.
    static constexpr int kManualReplyTicks = 3;
    // A device restarting after its reset is shown as silent after this many polling periods, 30 s; one
    // that moved is told of in a message naming both addresses.
    static constexpr int kRestartPeriods = 60;

    // clock gives the time a reply is shown with; requests go to devicePort. Nothing is sent or accepted
    // yet: the owner makes the link accept no source until the first request.
    ConsoleCore(transport::DeviceLink& link, transport::NameLookups& lookups, ConsoleView& view, Clock clock,
                std::uint16_t devicePort = kDevicePort);

    // The buttons. deviceAddress is the text of the device's address box: a name is looked up first,
    // while the button shows it is busy. A name found nowhere, and a send that fails, end in the error box.
    void ReadLiveData(const std::string& deviceAddress);
    void ReadParameters(const std::string& deviceAddress);
    // Checks the new parameters first: a value that fails is shown with its reason, its box gets the
    // focus and nothing is sent. Then asks, showing the change; NÃO or the question's time-out sends
    // nothing.
    void WriteParameters(const std::string& deviceAddress, const NewParameters& parameters);
    void StartReset();
    // Switching on resolves deviceAddress once, for every tick until it is switched off; a name found
    // nowhere leaves the polling silent, as a tick's failed send is.
    void ToggleAutomaticMode(const std::string& deviceAddress);

    // The polling tick, every 500 ms whatever the mode. In automatic mode: the automatic parameter
    // request until a parameter reply has come, then a reset command while a reset is pending, live data
    // otherwise. A failed send is dropped. Then it tells of a device that has stopped answering, of a
    // reset that went unacknowledged and of a name not found in time.
    void Tick();

    // A datagram from a believed source.
    void HandleDatagram(const std::string& bytes);

    bool AutomaticMode() const { return automaticMode_; }
    bool ResetPending() const { return device_.session.ResetPending(); }

private:
    using Asker = AddressLookups::Asker;

    // A write sent to the device at from, giving it the address to.
    struct Write {
        std::uint32_t from;
        std::uint32_t to;
    };
    // A reset acknowledged: the device restarts at the address at, coming from the address from.
    struct Restart {
        std::uint32_t from;
        std::uint32_t at;
        int silentPeriods = 0;
    };
    // A button's request awaiting its reply: any reply when kinds is empty, else one of each kind.
    struct ReplyWait {
        std::uint32_t from;
        std::vector<ReplyKind> kinds;
        int ticks = 0;
    };
    // The parameters the device last reported, and where the request for them went.
    struct ParametersRead {
        std::uint32_t from;
        ParameterReading reading;
    };
    // All the console holds of the device it talks to; it goes when a request is about to go to another.
    struct Device {
        std::optional<std::uint32_t> address;  // none before the first request
        DeviceSession session;                 // what polling asks and the reset in progress
        std::optional<Write> write;            // sent, not acknowledged yet
        std::optional<std::uint32_t> movedTo;  // an acknowledged write gave it this address, taken at its reset
        std::optional<Restart> restart;        // its reset acknowledged, not heard from since
        std::optional<ReplyWait> replyWait;
        std::optional<ParametersRead> parameters;
        int silentPeriods = 0;  // in automatic mode
    };

    // Runs action with the address deviceAddress names: at once for a numeric one, once the resolver has
    // found a name. Errors end in the error box.
    void OnButton(Button button, const std::string& deviceAddress, const std::function<void(std::uint32_t)>& action);
    void RunShowingErrors(const std::function<void()>& action);
    void StartPolling(std::uint32_t device);
    void GiveUpButtonLookups();

    // A request is about to go to device: what was held of another device goes.
    void TalkTo(std::uint32_t device);
    // Sends request to device and makes it the only source believed.
    void SendToDevice(std::uint32_t device, const std::string& request);
    void SendPollingRequests(std::uint32_t device);
    void WriteTo(std::uint32_t device, const NewParameters& parameters);
    std::vector<texts::Change> ChangesMadeBy(std::uint32_t device, const CheckedParameters& values) const;

    void HeardFromDevice(ReplyKind kind);
    void TellOfChanges(ReplyKind kind, const ReplyReader& reply);
    void ShowRestartPending(bool shown);
    void FollowThroughRestart();
    // A message opened while a reply is handled: replies wait behind it.
    bool ShowWhileHandling(const TimedMessage& message);

    // A button's request went to device: replies of kinds (any when empty) are awaited from there.
    void AwaitReply(std::uint32_t device, std::vector<ReplyKind> kinds = {});
    void NoticeSilence();
    void TellNotBackAfterRestart(const Restart& restart);
    void ShowNoReply(const std::string& notice);
    void TellResetNotConfirmed();

    transport::DeviceLink& link_;
    AddressLookups lookups_;
    ConsoleView& view_;
    const Clock clock_;
    const std::uint16_t devicePort_;

    bool automaticMode_ = false;
    std::optional<std::uint32_t> pollTarget_;  // automatic mode, once its address is known
    Device device_;
    std::uint32_t lastRequestTo_ = 0;
    bool restartPendingShown_ = false;
    std::string noReplyShown_;  // the notice of a silent device on screen, empty when none

    // Messages the reply handler has open: replies wait behind them, so the ticks meanwhile, and the one
    // after they close, do not count as silence.
    int messagesWhileHandling_ = 0;
    bool repliesHeldBack_ = false;
};

}  // namespace korva::console
