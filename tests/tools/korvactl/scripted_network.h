#pragma once
// Devices played by the test on a simulated clock: time moves only when korvactl waits, so time-outs,
// retries and the 500 ms reset spacing are exact and cost no real time.
#include "tools/korvactl/conversations/link.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace korva::ctl::testing {

using std::chrono::milliseconds;

struct SentRequest {
    milliseconds at;  // since the start
    std::string address;
    std::string bytes;
};

// A device's answer to one request: the reply line and how long it takes.
struct Answer {
    std::string line;
    milliseconds delay{0};
};
using DeviceScript = std::function<std::optional<Answer>(const std::string& request)>;

class ScriptedNetwork {
public:
    void AddDevice(const std::string& address, DeviceScript script) { devices_[address] = std::move(script); }
    // A datagram nobody asked for, arriving at the given time.
    void Inject(milliseconds at, const std::string& from, const std::string& bytes);
    // Sends to this address fail like a network without a route.
    void FailSendsTo(const std::string& address) { failing_ = address; }
    // Every send fails, and each one, failed or not, takes this long: a search at full speed on a
    // machine without a route.
    void FailAllSends(milliseconds each) {
        failingAll_ = true;
        sendTakes_ = each;
    }
    // The user presses Ctrl-C at this time.
    void InterruptAt(milliseconds at) { interruptAt_ = at; }

    std::unique_ptr<Link> OpenLink();  // a view on this network; the network outlives it

    const std::vector<SentRequest>& Sent() const { return sent_; }
    std::vector<SentRequest> SentTo(const std::string& address) const;
    milliseconds Elapsed() const { return now_; }
    int LinksOpened() const { return linksOpened_; }

private:
    friend class ScriptedLink;
    struct InFlight {
        milliseconds at;
        std::string from;
        std::string bytes;
    };

    std::map<std::string, DeviceScript> devices_;
    std::vector<InFlight> inFlight_;
    std::vector<SentRequest> sent_;
    std::optional<std::string> failing_;
    bool failingAll_ = false;
    milliseconds sendTakes_{0};
    std::optional<milliseconds> interruptAt_;
    milliseconds now_{0};
    int linksOpened_ = 0;
};

}  // namespace korva::ctl::testing
