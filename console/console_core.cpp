#include "console/console_core.h"

#include <exception>
#include <utility>

#include "console/console_view.h"
#include "protocol/messages.h"
#include "protocol/text_fields.h"
#include "protocol/unscramble.h"
#include "transport/host_address.h"

namespace korva::console {

ConsoleCore::ConsoleCore(transport::DeviceLink& link, ConsoleView& view, Clock clock)
    : link_(link), view_(view), clock_(std::move(clock)) {}

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
    link_.SendTo(device, kDevicePort, request);
    return device;
}

void ConsoleCore::ReadLiveData(const std::string& deviceAddress) {
    view_.ClearLiveData();
    SendToDevice(deviceAddress, BuildLiveDataRequest());
}

void ConsoleCore::ReadParameters(const std::string& deviceAddress) {
    view_.ClearParameters();
    SendToDevice(deviceAddress, BuildParameterRequest(true));
}

void ConsoleCore::WriteParameters(const std::string& deviceAddress, const NewParameters& parameters) {
    if (!view_.ConfirmWrite())
        return;
    // The write goes to the device where it is now; the check reads it back at its new address, so
    // replies from both addresses count until the next request.
    const std::uint32_t device =
        SendToDevice(deviceAddress, BuildWriteCommand(parameters.address, parameters.mask, parameters.gateway));
    writeReplyAwaited_ = true;
    const std::uint32_t newAddress = transport::ResolveHost(parameters.address);
    link_.AcceptOnlyFrom({device, newAddress});
    link_.SendTo(newAddress, kDevicePort, BuildParameterRequest(true));
}

void ConsoleCore::StartReset() {
    resetPending_ = true;
    resetAttemptsLeft_ = kResetAttempts;
}

void ConsoleCore::ToggleAutomaticMode() {
    automaticMode_ = !automaticMode_;
    view_.ShowAutomaticMode(automaticMode_);
}

void ConsoleCore::Tick(const std::string& deviceAddress) {
    if (!automaticMode_)
        return;
    try {
        if (!parametersRead_)
            SendToDevice(deviceAddress, BuildParameterRequest(false));
        std::string request;
        if (resetPending_) {
            request = BuildResetCommand(echoNumber_);
            if (resetAttemptsLeft_ > 0 && --resetAttemptsLeft_ == 0)
                resetPending_ = false;
        } else {
            request = BuildLiveDataRequest();
        }
        SendToDevice(deviceAddress, request);
    } catch (const std::exception&) {
        // Twice a second: a box per failed tick would bury the window. The next tick tries again.
    }
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
    // May wait in a modal message; everything below runs after it has closed.
    TellOfChanges(kind, reply);
    view_.ShowReplyTime(clock_());
    if (kind == ReplyKind::kStatus) {
        const StatusReading status = reply.Status();
        view_.ShowStatus(status);
        echoNumber_ = status.echo;
        ShowRestartPending(status.changed);
    } else if (kind == ReplyKind::kReset) {
        // An acknowledgement counts only for a reset this console is still sending.
        if (resetPending_ && reply.ResetAck()) {
            resetPending_ = false;
            view_.ShowResetAcknowledged();
        }
    } else if (kind == ReplyKind::kParameters) {
        parametersRead_ = true;
        const ParameterReading parameters = reply.Parameters();
        view_.ShowParameters(parameters);
        ShowRestartPending(parameters.changed);
    }
}

void ConsoleCore::TellOfChanges(ReplyKind kind, const ReplyReader& reply) {
    if (kind == ReplyKind::kWrite && reply.FormatVersion() < kFirstNewFormVersion) {
        // Older devices say nothing more about a write: this is the operator's only confirmation.
        view_.TellWriteDone();
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
    view_.TellRestartPending();
}

void ConsoleCore::ShowRestartPending(bool shown) {
    restartPendingShown_ = shown;
    view_.ShowRestartPending(shown);
}

}  // namespace korva::console
