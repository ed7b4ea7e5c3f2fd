#pragma once
// Stands in for the console's event loop: the endpoint's wake-ups are queued here and the test's own
// thread serves them, so every handler runs on the test's thread as it would on the GUI thread.
#include "transport/udp_endpoint.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace korva::transport::testing {

inline constexpr std::chrono::seconds kPatience{5};

class OwnerLoop {
public:
    UdpEndpoint::WakeOwner Waker() {
        return [this] {
            std::lock_guard lock(mutex_);
            ++wakeUps_;
            wokenUp_.notify_all();
        };
    }

    // Waits for one wake-up and takes it off the queue without serving it.
    bool TakeWakeUp() {
        std::unique_lock lock(mutex_);
        if (!wokenUp_.wait_for(lock, kPatience, [this] { return wakeUps_ > 0; }))
            return false;
        --wakeUps_;
        return true;
    }

    // Serves hand-overs until done() holds; false when no wake-up came for a while before that.
    bool ServeUntil(UdpEndpoint& endpoint, const std::function<bool()>& done) {
        while (!done()) {
            if (!TakeWakeUp())
                return done();
            endpoint.ServePending();
        }
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable wokenUp_;
    int wakeUps_ = 0;
};

}  // namespace korva::transport::testing
