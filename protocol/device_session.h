#pragma once
// One device's conversation as automatic mode holds it, for every program that polls a device: what a
// polling tick asks, the reset command repeated with the device's echo number until it is acknowledged
// or its attempts are used up, and what the device's replies change of that. It only decides: sending,
// and when a tick comes, are the caller's.
#include <cstdint>
#include <optional>
#include <string>

namespace korva {

class DeviceSession {
public:
    // Reset commands one reset may send before it gives up.
    static constexpr int kResetAttempts = 15;

    // A polling tick's first request: the automatic parameter request, until a parameter reply has come.
    std::optional<std::string> ParameterRequestDue() const;
    // Its second: the reset command while a reset is pending (counted as an attempt), the live-data request
    // otherwise.
    std::string NextPollingRequest();

    // The reset: kResetAttempts commands at the most, from the next polling request on.
    void StartReset();
    bool ResetPending() const { return resetAttemptsLeft_ > 0; }
    // The last attempt has gone out and no acknowledgement has come yet.
    bool LastResetAwaited() const { return lastResetAwaited_; }
    // The caller has told that the reset went unacknowledged: a late acknowledgement no longer counts.
    void GiveUpReset() { lastResetAwaited_ = false; }
    // Reset commands of the last reset that have gone out.
    int ResetCommandsSent() const { return resetCommandsSent_; }

    // What the device's replies change.
    void HeardStatus(std::int32_t echo) { echoNumber_ = echo; }
    void HeardParameters() { parametersRead_ = true; }
    // The device restarted, with the parameters last written in force: they are asked for again.
    void ForgetParameters() { parametersRead_ = false; }
    // True when it acknowledges a reset this session is sending or has just finished sending; an
    // acknowledgement of nothing counts for nothing.
    bool HeardResetAck();

    bool ParametersRead() const { return parametersRead_; }
    std::int32_t EchoNumber() const { return echoNumber_; }

private:
    bool parametersRead_ = false;  // stops the automatic parameter request for the rest of the run
    int resetAttemptsLeft_ = 0;
    int resetCommandsSent_ = 0;
    bool lastResetAwaited_ = false;
    std::int32_t echoNumber_ = 0;  // from the last status reply, echoed in reset commands
};

}  // namespace korva
