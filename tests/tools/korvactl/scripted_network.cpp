#include "tests/tools/korvactl/scripted_network.h"

#include "transport/socket_errors.h"

#include <algorithm>

namespace korva::ctl::testing {

class ScriptedLink : public Link {
public:
    explicit ScriptedLink(ScriptedNetwork& network) : network_(network) {}

    SteadyTime Now() override { return SteadyTime(network_.now_); }

    void Send(const std::string& address, std::string_view data) override {
        network_.now_ += network_.sendTakes_;
        if (network_.failingAll_ || network_.failing_ == address)
            throw transport::SocketErrorFromCode(10051);
        network_.sent_.push_back({network_.now_, address, std::string(data)});
        const auto device = network_.devices_.find(address);
        if (device == network_.devices_.end())
            return;
        if (const auto answer = device->second(std::string(data)))
            network_.inFlight_.push_back({network_.now_ + answer->delay, address, answer->line});
    }

    bool InterruptRequested() override { return network_.interruptAt_ && *network_.interruptAt_ <= network_.now_; }

    WakeReason WaitUntil(SteadyTime deadline, Incoming& datagram) override {
        AboutToWait();
        const milliseconds until = std::chrono::duration_cast<milliseconds>(deadline.time_since_epoch());
        auto& inFlight = network_.inFlight_;
        const auto first = std::min_element(inFlight.begin(), inFlight.end(),
                                            [](const auto& a, const auto& b) { return a.at < b.at; });
        const auto& interruptAt = network_.interruptAt_;
        if (interruptAt && *interruptAt <= until && (first == inFlight.end() || *interruptAt < first->at)) {
            network_.now_ = std::max(network_.now_, *interruptAt);
            return WakeReason::kInterrupted;
        }
        if (first != inFlight.end() && first->at <= std::max(until, network_.now_)) {
            network_.now_ = std::max(network_.now_, first->at);
            datagram = Incoming{first->bytes, first->from, WallTime(network_.now_)};
            inFlight.erase(first);
            return WakeReason::kDatagram;
        }
        network_.now_ = std::max(network_.now_, until);
        return WakeReason::kDeadline;
    }

private:
    ScriptedNetwork& network_;
};

void ScriptedNetwork::Inject(milliseconds at, const std::string& from, const std::string& bytes) {
    inFlight_.push_back({at, from, bytes});
}

std::unique_ptr<Link> ScriptedNetwork::OpenLink() {
    ++linksOpened_;
    return std::make_unique<ScriptedLink>(*this);
}

std::vector<SentRequest> ScriptedNetwork::SentTo(const std::string& address) const {
    std::vector<SentRequest> to;
    std::copy_if(sent_.begin(), sent_.end(), std::back_inserter(to),
                 [&](const SentRequest& request) { return request.address == address; });
    return to;
}

}  // namespace korva::ctl::testing
