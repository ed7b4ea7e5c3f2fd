#pragma once
#include "protocol/device_session.h"
#include "tools/korvactl/conversations/conversation.h"
#include "tools/korvactl/model/retry_policy.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

namespace korva::ctl {

// The reset of automatic mode: the reset command with the device's echo number, repeated 500 ms apart
// (the console's polling period; apply can shorten it) until the device acknowledges it or the session's
// attempts have gone out.
inline constexpr std::chrono::milliseconds kResetSpacing{500};

class ResetConversation : public Conversation {
public:
    // lastWait: how long an acknowledgement of the last command is waited for (at least the spacing).
    ResetConversation(DeviceTarget target, RecordSink& sink, std::int32_t echo, std::chrono::milliseconds lastWait,
                      std::chrono::milliseconds spacing = kResetSpacing)
        : Conversation(std::move(target), sink), spacing_(spacing), lastWait_(std::max(lastWait, spacing)) {
        session_.HeardStatus(echo);
        session_.StartReset();
    }

    void Start(Link& link) override;
    void OnReply(const DeviceReply& reply, Link& link) override;
    void OnDeadline(Link& link) override;

private:
    void SendCommand(Link& link);

    DeviceSession session_;
    std::chrono::milliseconds spacing_;
    std::chrono::milliseconds lastWait_;
    SteadyTime first_{};
};

// The reset of several devices, as `reset` and `apply` do it: each one's echo number from a live-data
// request, then the reset command until acknowledged.
struct ResetOutcome {
    std::vector<bool> acknowledged;  // one per target, in their order
    bool interrupted = false;
};

// statusFailures hears of the devices that gave no status reply; results gets each acknowledgement, each
// reset failure, and the devices the user's interruption left unreset.
ResetOutcome ResetDevices(Link& link, const std::vector<DeviceTarget>& targets, RecordSink& statusFailures,
                          RecordSink& results, const RetryPolicy& retry, std::chrono::milliseconds spacing);

}  // namespace korva::ctl
