#include "tools/korvactl/last_reply_book.h"

namespace korva::ctl {

void LastReplyBook::Update(std::vector<DeviceSample>& samples) {
    const std::lock_guard lock(mutex_);
    for (DeviceSample& sample : samples) {
        if (sample.lastReply) {
            WallTime& known = lastReply_[sample.name];
            known = std::max(known, *sample.lastReply);
        } else if (const auto found = lastReply_.find(sample.name); found != lastReply_.end()) {
            sample.lastReply = found->second;
        }
    }
}

}  // namespace korva::ctl
