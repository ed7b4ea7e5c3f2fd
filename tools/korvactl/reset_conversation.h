#pragma once
// The reset of automatic mode: the reset command with the device's echo number, repeated 500 ms apart
// (the console's polling period; apply can shorten it) until the device acknowledges it or 15 commands
// have gone out.
#include "tools/korvactl/conversation.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace korva::ctl {

inline constexpr int kResetCommands = 15;
inline constexpr std::chrono::milliseconds kResetSpacing{500};

class ResetConversation : public Conversation {
public:
    // lastWait: how long an acknowledgement of the last command is waited for (at least the spacing).
    ResetConversation(DeviceTarget target, RecordSink& sink, std::int32_t echo, std::chrono::milliseconds lastWait,
                      std::chrono::milliseconds spacing = kResetSpacing)
        : Conversation(std::move(target), sink),
          echo_(echo),
          spacing_(spacing),
          lastWait_(std::max(lastWait, spacing)) {}

    void Start(Link& link) override;
    void OnReply(const DeviceReply& reply, Link& link) override;
    void OnDeadline(Link& link) override;

    int CommandsSent() const { return sent_; }

private:
    void SendCommand(Link& link);

    std::int32_t echo_;
    std::chrono::milliseconds spacing_;
    std::chrono::milliseconds lastWait_;
    SteadyTime first_{};
    int sent_ = 0;
};

}  // namespace korva::ctl
