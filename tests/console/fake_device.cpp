#include "fake_device.h"

#include <stdexcept>
#include <utility>

#include "protocol/messages.h"
#include "tests/support/loopback_address.h"

FakeDevice::FakeDevice() : peer_("127.0.0.1") {}

FakeDevice::FakeDevice(const std::string& address) : peer_(address, korva::kDevicePort) {}

std::optional<std::string> FakeDevice::NextRequest(std::chrono::milliseconds patience) {
    std::optional<korva::testing::Datagram> request = peer_.Receive(patience);
    if (!request)
        return std::nullopt;
    lastSender_ = request->from;
    return std::move(request->bytes);
}

std::vector<std::string> FakeDevice::WaitingRequests() {
    std::vector<std::string> requests;
    while (std::optional<std::string> request = NextRequest(std::chrono::milliseconds(0))) {
        requests.push_back(*request);
    }
    return requests;
}

void FakeDevice::Reply(std::string_view reply) {
    if (lastSender_.sin_port == 0)
        throw std::logic_error("the fake device has not been asked anything yet");
    peer_.Send(lastSender_, reply);
}

std::uint16_t FakeDevice::ConsolePort() const {
    return korva::testing::PortOf(lastSender_);
}
