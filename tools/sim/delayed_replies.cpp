#include "tools/sim/delayed_replies.h"

#include <algorithm>

namespace korva::sim {

bool DelayedReplies::Add(Clock::time_point due, Outgoing reply) {
    if (queue_.size() >= capacity_) {
        ++dropped_;
        return false;
    }
    queue_.push_back({due, std::move(reply)});
    mostWaiting_ = std::max(mostWaiting_, queue_.size());
    return true;
}

std::vector<Outgoing> DelayedReplies::TakeDue(Clock::time_point now) {
    std::vector<Outgoing> due;
    while (!queue_.empty() && queue_.front().due <= now) {
        due.push_back(std::move(queue_.front().reply));
        queue_.pop_front();
    }
    return due;
}

std::optional<DelayedReplies::Clock::time_point> DelayedReplies::NextDue() const {
    if (queue_.empty())
        return std::nullopt;
    return queue_.front().due;
}

}  // namespace korva::sim
