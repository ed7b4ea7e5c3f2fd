#pragma once
// The UDP sockets every probe's requests leave from and its replies come back to: a few, whatever the
// number of probes, each with a receive buffer large enough for a burst of replies. A device is
// always asked from the same socket.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace korva::ctl {

using WallTime = std::chrono::system_clock::time_point;

class ProbeSockets {
public:
    // count sockets on ports the system picks. Throws transport::SocketError.
    explicit ProbeSockets(std::size_t count = kDefaultCount);
    ~ProbeSockets();
    ProbeSockets(const ProbeSockets&) = delete;
    ProbeSockets& operator=(const ProbeSockets&) = delete;

    static constexpr std::size_t kDefaultCount = 4;

    const std::vector<int>& Descriptors() const { return fds_; }
    // One datagram to the device's port; a failure loses it, as the network may.
    void Send(std::uint32_t address, std::string_view bytes);
    using Received = std::function<void(std::uint32_t from, std::string_view bytes, WallTime at)>;
    // Takes in every datagram waiting on fd without waiting for more.
    void ReadWaiting(int fd, const Received& received);

private:
    std::vector<int> fds_;
};

}  // namespace korva::ctl
