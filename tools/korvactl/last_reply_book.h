#pragma once
// When each device last answered, kept across scrapes: a device that has gone silent still shows when
// it was last heard, which is what an operator asks first. Only devices that answered are kept, so
// probes of arbitrary addresses cannot make the book grow.
#include "tools/korvactl/device_survey.h"

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace korva::ctl {

class LastReplyBook {
public:
    // Notes the replies of this scrape and fills in the time of an earlier one for devices silent now.
    void Update(std::vector<DeviceSample>& samples);

private:
    std::mutex mutex_;
    std::unordered_map<std::string, WallTime> lastReply_;
};

}  // namespace korva::ctl
