#include "tests/support/answering_peer.h"

#include <chrono>
#include <utility>

namespace korva::testing {
namespace {

// How soon the answering thread notices it should stop.
constexpr std::chrono::milliseconds kStopLatency{20};

}  // namespace

AnsweringPeer::AnsweringPeer(const std::string& address, std::uint16_t port, Script script)
    : peer_(address, port), script_(std::move(script)), thread_([this] { Serve(); }) {}

AnsweringPeer::~AnsweringPeer() {
    stop_ = true;
    thread_.join();
}

std::vector<std::string> AnsweringPeer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void AnsweringPeer::Serve() {
    while (!stop_) {
        const std::optional<Datagram> request = peer_.Receive(kStopLatency);
        if (!request)
            continue;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request->bytes);
        }
        if (const auto reply = script_(request->bytes))
            peer_.TrySend(request->from, *reply);
    }
}

}  // namespace korva::testing
