#include "console/console_core.h"

#include <exception>
#include <utility>

#include "console/console_view.h"
#include "protocol/fields.h"
#include "protocol/ipv4_range.h"
#include "protocol/unscramble.h"
#include "transport/host_address.h"

namespace korva::console {
namespace {

constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kGreen{0, 128, 0};
constexpr Rgb kRed{255, 0, 0};

// The question before a write waits 12 seconds; the device's own notices are shown for their time.
constexpr int kQuestionSeconds = 12;
constexpr int kWriteDoneSeconds = 5;
constexpr int kRestartPendingSeconds = 12;

}  // namespace

ConsoleCore::ConsoleCore(transport::DeviceLink& link, ConsoleView& view, Clock clock, std::uint16_t devicePort)
    : link_(link), view_(view), clock_(std::move(clock)), devicePort_(devicePort) {}

std::uint32_t ConsoleCore::SendToDevice(const std::string& deviceAddress, const std::string& request) {
    std::uint32_t device = 0;
    try {
        device = transport::ResolveHost(deviceAddress);
    } catch (...) {
        // The box no longer names the device that earlier replies came from.
        link_.AcceptOnlyFrom({});
        throw;
    }
    // Any host on the network can send to our port; only the device we are talking to is believed.
    // Accepting before sending: a device on loopback answers before the send has returned.
    link_.AcceptOnlyFrom({device});
    lastRequestTo_ = device;
    link_.SendTo(device, devicePort_, request);
    return device;
}

void ConsoleCore::ReadLiveData(const std::string& deviceAddress) {
    view_.ClearLiveData();
    AwaitManualReply(SendToDevice(deviceAddress, BuildLiveDataRequest()));
}

void ConsoleCore::ReadParameters(const std::string& deviceAddress) {
    view_.ClearParameters();
    AwaitManualReply(SendToDevice(deviceAddress, BuildParameterRequest(true)));
}

void ConsoleCore::WriteParameters(const std::string& deviceAddress, const NewParameters& parameters) {
    // Before the checks, which let a device on loopback move within it; and a box that names no device
    // is told at once, not after a SIM.
    const std::uint32_t current = transport::ResolveHost(deviceAddress);
    // A device given a broken address, mask or gateway falls off the network until someone visits it.
    if (const std::vector<ParameterProblem> problems = CheckNewParameters(parameters, PlaceOf(current));
        !problems.empty()) {
        const ParameterProblem& first = problems.front();
        view_.ShowMessage({texts::RefusedValue(parameters, first), kRed, 0, TimedMessage::kInformation});
        view_.FocusNewParameter(first.box);
        return;
    }
    const std::string question = texts::ConfirmWrite(ChangesMadeBy(current, parameters));
    if (!view_.ShowMessage({question, kYellow, kQuestionSeconds, TimedMessage::kQuestion}))
        return;
    // The write goes to the device where it is now; the check reads it back at its new address, so
    // replies from both addresses count until the next request.
    const std::uint32_t device =
        SendToDevice(deviceAddress, BuildWriteCommand(parameters.address, parameters.mask, parameters.gateway));
    writeReplyAwaited_ = true;
    const std::uint32_t newAddress = transport::ResolveHost(parameters.address);
    link_.AcceptOnlyFrom({device, newAddress});
    lastRequestTo_ = newAddress;
    link_.SendTo(newAddress, devicePort_, BuildParameterRequest(true));
    AwaitManualReply(newAddress);
}

// Compared as addresses, shown as the device reported them: "010.000.000.001" is no change from "10.0.0.1".
std::vector<texts::Change> ConsoleCore::ChangesMadeBy(std::uint32_t device, const NewParameters& parameters) const {
    std::vector<texts::Change> changes;
    const bool read = lastParameters_ && lastParameters_->from == device;
    const std::string held[] = {Ipv4Text(device), read ? lastParameters_->reading.mask : std::string(),
                                read ? lastParameters_->reading.gateway : std::string()};
    const ParameterBox boxes[] = {ParameterBox::kAddress, ParameterBox::kMask, ParameterBox::kGateway};
    for (int i = 0; i < 3; ++i) {
        // The checks passed: every new value is a dotted quad.
        const std::uint32_t to = *ParseIpv4(ValueIn(parameters, boxes[i]));
        if (!read) {
            changes.push_back({boxes[i], {}, Ipv4Text(to)});
        } else if (ParseIpv4(held[i]) != to) {
            changes.push_back({boxes[i], held[i], Ipv4Text(to)});
        }
    }
    return changes;
}

void ConsoleCore::StartReset() {
    session_.StartReset();
}

void ConsoleCore::ToggleAutomaticMode() {
    automaticMode_ = !automaticMode_;
    ticksSinceReply_ = 0;
    // Polling asks on its own; a button's request still unanswered is not waited for any more.
    manualReplyAwaitedFrom_.reset();
    view_.ShowAutomaticMode(automaticMode_);
}

void ConsoleCore::Tick(const std::string& deviceAddress) {
    // The last reset command went out a tick ago or more: its acknowledgement had a whole period to come.
    const bool resetUnanswered = session_.LastResetAwaited();
    if (automaticMode_)
        SendPollingRequests(deviceAddress);
    // After the sends: what is told below may wait in a modal message, and the polling goes on meanwhile.
    NoticeSilence();
    if (resetUnanswered && session_.LastResetAwaited())
        TellResetNotConfirmed();
}

void ConsoleCore::SendPollingRequests(const std::string& deviceAddress) {
    try {
        if (const auto parameterRequest = session_.ParameterRequestDue())
            SendToDevice(deviceAddress, *parameterRequest);
        SendToDevice(deviceAddress, session_.NextPollingRequest());
    } catch (const std::exception&) {
        // Twice a second: a box per failed tick would bury the window. The next tick tries again.
    }
}

void ConsoleCore::AwaitManualReply(std::uint32_t device) {
    ShowNoReply({});
    manualReplyAwaitedFrom_ = Ipv4Text(device);
    ticksAwaitingManualReply_ = 0;
}

void ConsoleCore::NoticeSilence() {
    if (automaticMode_ && ++ticksSinceReply_ > kSilentPeriods)
        ShowNoReply(texts::kNoReply);
    if (manualReplyAwaitedFrom_ && ++ticksAwaitingManualReply_ >= kManualReplyTicks) {
        ShowNoReply(texts::NoReplyFrom(*manualReplyAwaitedFrom_));
        manualReplyAwaitedFrom_.reset();
    }
}

void ConsoleCore::TellResetNotConfirmed() {
    session_.GiveUpReset();
    view_.ShowMessage({texts::kResetNotConfirmed, kRed, 0, TimedMessage::kInformation});
}

void ConsoleCore::ShowNoReply(const std::string& notice) {
    if (notice == noReplyShown_)
        return;
    noReplyShown_ = notice;
    view_.ShowNoReply(notice);
}

void ConsoleCore::HandleDatagram(const std::string& bytes) {
    // The decoding trims as well, on its own copy: the datagram is copied once.
    if (TrimView(bytes).empty())
        return;
    const PlainReply plain = UnscrambleReply(bytes);
    // Split once for every question below.
    const ReplyReader reply(plain.text, plain.headerOffset, plain.formatVersion);
    const ReplyKind kind = reply.Kind();
    if (kind == ReplyKind::kWrite) {
        // A write reply nobody asked for would open a modal notice per datagram: one answers one write.
        if (!writeReplyAwaited_)
            return;
        writeReplyAwaited_ = false;
    }
    // The device answers: whatever was shown as old is its latest word again.
    ticksSinceReply_ = 0;
    manualReplyAwaitedFrom_.reset();
    ShowNoReply({});
    // May wait in a modal message; everything below runs after it has closed.
    TellOfChanges(kind, reply);
    view_.ShowReplyTime(clock_());
    if (kind == ReplyKind::kStatus) {
        const StatusReading status = reply.Status();
        view_.ShowStatus(status);
        session_.HeardStatus(status.echo);
        ShowRestartPending(status.changed);
    } else if (kind == ReplyKind::kReset) {
        if (reply.ResetAck() && session_.HeardResetAck())
            view_.ShowResetAcknowledged();
    } else if (kind == ReplyKind::kParameters) {
        session_.HeardParameters();
        const ParameterReading parameters = reply.Parameters();
        lastParameters_ = ParametersRead{lastRequestTo_, parameters};
        view_.ShowParameters(parameters);
        ShowRestartPending(parameters.changed);
    }
}

void ConsoleCore::TellOfChanges(ReplyKind kind, const ReplyReader& reply) {
    if (kind == ReplyKind::kWrite && reply.FormatVersion() < kFirstNewFormVersion) {
        // Older devices say nothing more about a write: this is the operator's only confirmation.
        view_.ShowMessage({texts::kWriteDone, kGreen, kWriteDoneSeconds, TimedMessage::kInformation});
        return;
    }
    if (!reply.ChangedFlag()) {
        ShowRestartPending(false);
        return;
    }
    // The label remembers that the operator was told already: the message comes once per change.
    if (restartPendingShown_)
        return;
    ShowRestartPending(true);
    view_.ShowMessage({texts::kRestartPending, kYellow, kRestartPendingSeconds, TimedMessage::kInformation});
}

void ConsoleCore::ShowRestartPending(bool shown) {
    restartPendingShown_ = shown;
    view_.ShowRestartPending(shown);
}

}  // namespace korva::console
