#include "console/console_core.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "protocol/fields.h"
#include "protocol/ipv4_range.h"
#include "protocol/unscramble.h"
#include "transport/host_address.h"
#include "transport/socket_errors.h"

namespace korva::console {
namespace {

constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kGreen{0, 128, 0};
constexpr Rgb kRed{255, 0, 0};

// The question before a write waits 12 seconds; the device's own notices are shown for their time.
constexpr int kQuestionSeconds = 12;
constexpr int kWriteDoneSeconds = 5;
constexpr int kRestartPendingSeconds = 12;
constexpr int kResetNoticeSeconds = 5;

AddressLookups::Asker AskerFor(Button button) {
    switch (button) {
        case Button::kReadLiveData:
            return AddressLookups::Asker::kReadLiveData;
        case Button::kReadParameters:
            return AddressLookups::Asker::kReadParameters;
        case Button::kWrite:
            break;
    }
    return AddressLookups::Asker::kWrite;
}

constexpr Button kButtons[] = {Button::kReadLiveData, Button::kReadParameters, Button::kWrite};

}  // namespace

ConsoleCore::ConsoleCore(transport::DeviceLink& link, transport::NameLookups& lookups, ConsoleView& view, Clock clock,
                         std::uint16_t devicePort)
    : link_(link), lookups_(lookups), view_(view), clock_(std::move(clock)), devicePort_(devicePort) {}

void ConsoleCore::OnButton(Button button, const std::string& deviceAddress,
                           const std::function<void(std::uint32_t)>& action) {
    const Asker asker = AskerFor(button);
    if (lookups_.Running(asker))
        return;
    if (const auto device = transport::AddressWithoutLookUp(deviceAddress)) {
        RunShowingErrors([&] { action(*device); });
        return;
    }
    view_.ShowBusy(button, true);
    lookups_.Start(asker, deviceAddress, [this, button, action](std::optional<std::uint32_t> device) {
        view_.ShowBusy(button, false);
        if (!device) {
            // The box no longer names the device that earlier replies came from.
            link_.AcceptOnlyFrom({});
            view_.ShowError(transport::SocketErrorMessage(transport::kHostNotFound));
            return;
        }
        RunShowingErrors([&] { action(*device); });
    });
}

void ConsoleCore::RunShowingErrors(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        view_.ShowError(error.what());
    }
}

void ConsoleCore::TalkTo(std::uint32_t device) {
    if (device_.address == device)
        return;
    link_.AcceptOnlyFrom({device});
    if (!device_.address) {
        // The first device: what was asked before its address was known is asked of it.
        device_.address = device;
        return;
    }
    const std::uint32_t before = *device_.address;
    const bool resetCancelled = device_.session.ResetPending() || device_.session.LastResetAwaited();
    // Polling starts afresh: a reset does not go on at another device, and its echo number is not this
    // one's.
    device_ = Device{};
    device_.address = device;
    // Nothing shown may pass for the new device's: not the readings, not the restart notice, not the
    // silence of the one before.
    view_.ClearLiveData();
    view_.ClearParameters();
    ShowRestartPending(false);
    ShowNoReply({});
    if (resetCancelled) {
        view_.ShowMessage(
            {texts::ResetCancelled(Ipv4Text(before)), kYellow, kResetNoticeSeconds, TimedMessage::kInformation});
    }
}

void ConsoleCore::SendToDevice(std::uint32_t device, const std::string& request) {
    // Any host on the network can send to our port; only the device we are talking to is believed.
    // Accepting before sending: a device on loopback answers before the send has returned.
    link_.AcceptOnlyFrom({device});
    lastRequestTo_ = device;
    link_.SendTo(device, devicePort_, request);
}

void ConsoleCore::ReadLiveData(const std::string& deviceAddress) {
    OnButton(Button::kReadLiveData, deviceAddress, [this](std::uint32_t device) {
        view_.ClearLiveData();
        TalkTo(device);
        SendToDevice(device, BuildLiveDataRequest());
        AwaitReply(device);
    });
}

void ConsoleCore::ReadParameters(const std::string& deviceAddress) {
    OnButton(Button::kReadParameters, deviceAddress, [this](std::uint32_t device) {
        view_.ClearParameters();
        TalkTo(device);
        SendToDevice(device, BuildParameterRequest(true));
        AwaitReply(device);
    });
}

void ConsoleCore::WriteParameters(const std::string& deviceAddress, const NewParameters& parameters) {
    // The device's address is known before the checks, which let a device on loopback move within it;
    // a box that names no device is told at once, not after a SIM.
    OnButton(Button::kWrite, deviceAddress, [this, parameters](std::uint32_t device) { WriteTo(device, parameters); });
}

void ConsoleCore::WriteTo(std::uint32_t device, const NewParameters& parameters) {
    // A device given a broken address, mask or gateway falls off the network until someone visits it.
    const ParameterCheck check = CheckWrite(parameters, PlaceOf(device));
    if (!check.checked) {
        const ParameterProblem& first = check.problems.front();
        view_.ShowMessage({texts::RefusedValue(parameters, first), kRed, 0, TimedMessage::kInformation});
        view_.FocusNewParameter(first.box);
        return;
    }
    const CheckedParameters& values = *check.checked;
    const std::string question = texts::ConfirmWrite(ChangesMadeBy(device, values));
    if (!view_.ShowMessage({question, kYellow, kQuestionSeconds, TimedMessage::kQuestion}))
        return;
    TalkTo(device);
    // The write goes to the device where it is now; the check reads it back at its new address, so
    // replies from both addresses count until the next request.
    SendToDevice(device, BuildWriteCommand(values));
    device_.write = Write{device, values.address};
    link_.AcceptOnlyFrom({device, values.address});
    lastRequestTo_ = values.address;
    link_.SendTo(values.address, devicePort_, BuildParameterRequest(true));
    // A device given a new address answers there only after its restart: only its acknowledgement is
    // awaited then, and the restart notice says the rest.
    if (values.address == device)
        AwaitReply(device, {ReplyKind::kWrite, ReplyKind::kParameters});
    else
        AwaitReply(device, {ReplyKind::kWrite});
}

// Compared as addresses, shown as the device reported them: "010.000.000.001" is no change from "10.0.0.1".
std::vector<texts::Change> ConsoleCore::ChangesMadeBy(std::uint32_t device, const CheckedParameters& values) const {
    std::vector<texts::Change> changes;
    const std::optional<ParametersRead>& last = device_.parameters;
    const bool read = last && last->from == device;
    const std::string held[] = {Ipv4Text(device), read ? last->reading.mask : std::string(),
                                read ? last->reading.gateway : std::string()};
    const ParameterBox boxes[] = {ParameterBox::kAddress, ParameterBox::kMask, ParameterBox::kGateway};
    for (int i = 0; i < 3; ++i) {
        const std::uint32_t to = values.In(boxes[i]);
        if (!read) {
            changes.push_back({boxes[i], {}, Ipv4Text(to)});
        } else if (ParseIpv4(held[i]) != to) {
            changes.push_back({boxes[i], held[i], Ipv4Text(to)});
        }
    }
    return changes;
}

void ConsoleCore::StartReset() {
    // Only a device being polled can be reset: until its name is found, there is none.
    if (pollTarget_)
        device_.session.StartReset();
}

void ConsoleCore::ToggleAutomaticMode(const std::string& deviceAddress) {
    automaticMode_ = !automaticMode_;
    device_.silentPeriods = 0;
    // Polling asks on its own; a button's request still unanswered is not waited for any more.
    device_.replyWait.reset();
    pollTarget_.reset();
    lookups_.Forget(Asker::kAutomaticMode);
    if (automaticMode_)
        GiveUpButtonLookups();
    view_.ShowAutomaticMode(automaticMode_);
    if (!automaticMode_)
        return;
    if (const auto device = transport::AddressWithoutLookUp(deviceAddress)) {
        StartPolling(*device);
        return;
    }
    // Nobody is believed until the name is found: a reply now could be the old device's.
    link_.AcceptOnlyFrom({});
    lookups_.Start(Asker::kAutomaticMode, deviceAddress, [this](std::optional<std::uint32_t> device) {
        // A name found nowhere is dropped like a tick's failed send: the silence notice tells of it.
        if (device)
            StartPolling(*device);
    });
}

// No manual request goes out while automatic mode runs.
void ConsoleCore::GiveUpButtonLookups() {
    for (const Button button : kButtons) {
        if (lookups_.Running(AskerFor(button))) {
            lookups_.Forget(AskerFor(button));
            view_.ShowBusy(button, false);
        }
    }
}

void ConsoleCore::StartPolling(std::uint32_t device) {
    pollTarget_ = device;
    link_.AcceptOnlyFrom({device});
    TalkTo(device);
}

void ConsoleCore::Tick() {
    // While replies wait behind a message, no tick says the device is silent.
    const bool counted = messagesWhileHandling_ == 0 && !repliesHeldBack_;
    repliesHeldBack_ = messagesWhileHandling_ > 0;
    // The last reset command went out a tick ago or more: its acknowledgement had a whole period to come.
    const bool resetUnanswered = device_.session.LastResetAwaited();
    if (automaticMode_ && pollTarget_)
        SendPollingRequests(*pollTarget_);
    // After the sends: what is told below may wait in a modal message, and the polling goes on meanwhile.
    if (counted) {
        NoticeSilence();
        if (resetUnanswered && device_.session.LastResetAwaited())
            TellResetNotConfirmed();
    }
    lookups_.Tick();
}

void ConsoleCore::SendPollingRequests(std::uint32_t device) {
    try {
        if (const auto parameterRequest = device_.session.ParameterRequestDue())
            SendToDevice(device, *parameterRequest);
        SendToDevice(device, device_.session.NextPollingRequest());
    } catch (const std::exception&) {
        // Twice a second: a box per failed tick would bury the window. The next tick tries again.
    }
}

void ConsoleCore::AwaitReply(std::uint32_t device, std::vector<ReplyKind> kinds) {
    ShowNoReply({});
    device_.replyWait = ReplyWait{device, std::move(kinds)};
}

void ConsoleCore::NoticeSilence() {
    if (std::optional<ReplyWait>& wait = device_.replyWait; wait && ++wait->ticks >= kManualReplyTicks) {
        ShowNoReply(texts::NoReplyFrom(Ipv4Text(wait->from)));
        wait.reset();
    }
    if (std::optional<Restart>& restart = device_.restart) {
        if (automaticMode_ && ++restart->silentPeriods == kRestartPeriods)
            TellNotBackAfterRestart(*restart);
    } else if (automaticMode_ && ++device_.silentPeriods > kSilentPeriods) {
        ShowNoReply(texts::Text(texts::kNoReply));
    }
}

void ConsoleCore::TellNotBackAfterRestart(const Restart& restart) {
    ShowNoReply(texts::NoReplyFrom(Ipv4Text(restart.at)));
    // Moved and not heard of since: where it was is what the technician needs next, and it takes more
    // words than the notice beside the clock has room for.
    if (restart.at != restart.from) {
        view_.ShowMessage({texts::NoReplyAfterMove(Ipv4Text(restart.at), Ipv4Text(restart.from)), kYellow, 0,
                           TimedMessage::kInformation});
    }
}

void ConsoleCore::TellResetNotConfirmed() {
    device_.session.GiveUpReset();
    view_.ShowMessage({texts::MessageText(texts::kResetNotConfirmed), kRed, 0, TimedMessage::kInformation});
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
    std::optional<Write> write;
    if (kind == ReplyKind::kWrite) {
        // A write reply nobody asked for would open a modal notice per datagram: one answers one write.
        write = std::exchange(device_.write, std::nullopt);
        if (!write)
            return;
        if (write->to != write->from)
            device_.movedTo = write->to;
    }
    HeardFromDevice(kind);
    // May wait in a modal message; everything below runs after it has closed.
    TellOfChanges(kind, reply);
    // Written to another address: what waits is the restart that puts it in force, not a reply.
    if (write && write->to != write->from)
        ShowRestartPending(true);
    view_.ShowReplyTime(clock_());
    if (kind == ReplyKind::kStatus) {
        const StatusReading status = reply.Status();
        view_.ShowStatus(status);
        device_.session.HeardStatus(status.echo);
        ShowRestartPending(status.changed);
    } else if (kind == ReplyKind::kReset) {
        if (reply.ResetAck() && device_.session.HeardResetAck()) {
            view_.ShowResetAcknowledged();
            FollowThroughRestart();
        }
    } else if (kind == ReplyKind::kParameters) {
        device_.session.HeardParameters();
        const ParameterReading parameters = reply.Parameters();
        device_.parameters = ParametersRead{lastRequestTo_, parameters};
        view_.ShowParameters(parameters);
        ShowRestartPending(parameters.changed);
    }
}

// The device answers: whatever was shown as old is its latest word again.
void ConsoleCore::HeardFromDevice(ReplyKind kind) {
    device_.silentPeriods = 0;
    if (std::optional<ReplyWait>& wait = device_.replyWait) {
        std::vector<ReplyKind>& kinds = wait->kinds;
        kinds.erase(std::remove(kinds.begin(), kinds.end(), kind), kinds.end());
        // Only the kinds awaited end the wait: the write's acknowledgement is no read-back.
        if (kinds.empty())
            wait.reset();
    }
    if (device_.restart) {
        // Back after its restart: the parameters now in force are asked for, and shown when they come.
        device_.restart.reset();
        device_.session.ForgetParameters();
        view_.ClearParameters();
    }
    ShowNoReply({});
}

void ConsoleCore::FollowThroughRestart() {
    const std::uint32_t from = device_.address.value_or(lastRequestTo_);
    const std::uint32_t at = device_.movedTo.value_or(from);
    device_.movedTo.reset();
    if (at != from) {
        // The same device at its new address: nothing held of it goes, and polling goes there from the
        // next tick.
        device_.address = at;
        if (pollTarget_)
            pollTarget_ = at;
        link_.AcceptOnlyFrom({at});
        view_.ShowDeviceAddress(Ipv4Text(at));
    }
    device_.restart = Restart{from, at};
    ShowNoReply(texts::RestartingAt(Ipv4Text(at)));
    ShowWhileHandling({texts::ResetConfirmed(Ipv4Text(at)), kGreen, kResetNoticeSeconds, TimedMessage::kInformation});
}

void ConsoleCore::TellOfChanges(ReplyKind kind, const ReplyReader& reply) {
    if (kind == ReplyKind::kWrite && reply.FormatVersion() < kFirstNewFormVersion) {
        // Older devices say nothing more about a write: this is the operator's only confirmation.
        ShowWhileHandling({texts::MessageText(texts::kWriteDone), kGreen, kWriteDoneSeconds, TimedMessage::kInformation});
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
    ShowWhileHandling({texts::MessageText(texts::kRestartPending), kYellow, kRestartPendingSeconds, TimedMessage::kInformation});
}

bool ConsoleCore::ShowWhileHandling(const TimedMessage& message) {
    struct Open {
        explicit Open(int& count) : count(count) { ++count; }
        ~Open() { --count; }
        int& count;
    } open(messagesWhileHandling_);
    repliesHeldBack_ = true;
    return view_.ShowMessage(message);
}

void ConsoleCore::ShowRestartPending(bool shown) {
    restartPendingShown_ = shown;
    view_.ShowRestartPending(shown);
}

}  // namespace korva::console
