#include "protocol/device_session.h"

#include "protocol/messages.h"

namespace korva {

std::optional<std::string> DeviceSession::ParameterRequestDue() const {
    if (parametersRead_)
        return std::nullopt;
    return BuildParameterRequest(false);
}

std::string DeviceSession::NextPollingRequest() {
    if (!ResetPending())
        return BuildLiveDataRequest();
    ++resetCommandsSent_;
    if (--resetAttemptsLeft_ == 0)
        lastResetAwaited_ = true;
    return BuildResetCommand(echoNumber_);
}

void DeviceSession::StartReset() {
    resetAttemptsLeft_ = kResetAttempts;
    resetCommandsSent_ = 0;
    lastResetAwaited_ = false;
}

bool DeviceSession::HeardResetAck() {
    if (!ResetPending() && !lastResetAwaited_)
        return false;
    resetAttemptsLeft_ = 0;
    lastResetAwaited_ = false;
    return true;
}

}  // namespace korva
