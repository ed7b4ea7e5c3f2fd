#pragma once
#include <chrono>

namespace korva::ctl {

// How long one request waits for its reply, and how often it is sent again after a time-out.
struct RetryPolicy {
    std::chrono::milliseconds timeout{1000};
    int retries = 2;  // requests after the first
};

}  // namespace korva::ctl
