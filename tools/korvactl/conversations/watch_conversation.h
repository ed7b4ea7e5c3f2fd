#pragma once
#include "protocol/device_session.h"
#include "tools/korvactl/conversations/conversation.h"

#include <chrono>
#include <optional>

namespace korva::ctl {

// Automatic mode without a window: every interval the automatic parameter request (until the device
// has answered one) and the live-data request. Every reply from the device is reported; a round whose
// live data did not come before the next round is reported as missed.
struct WatchSettings {
    std::chrono::milliseconds interval{500};
    std::optional<int> rounds;  // none: until interrupted
};

class WatchConversation : public Conversation {
public:
    WatchConversation(DeviceTarget target, RecordSink& sink, WatchSettings settings)
        : Conversation(std::move(target), sink), settings_(settings) {}

    void Start(Link& link) override;
    void OnReply(const DeviceReply& reply, Link& link) override;
    void OnDeadline(Link& link) override;
    // Ctrl-C ends every watch at once; the command says so and how the rounds went.
    void OnInterrupt() override { Finish(false); }

    int Rounds() const { return rounds_; }
    int MissedRounds() const { return missed_; }

private:
    void Tick(Link& link);

    WatchSettings settings_;
    DeviceSession session_;  // polling as the console does it; a watch never resets
    SteadyTime first_{};
    int rounds_ = 0;
    int missed_ = 0;
    bool answered_ = true;  // the live data of the last round came
};

}  // namespace korva::ctl
