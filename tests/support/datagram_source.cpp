#include "tests/support/datagram_source.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <utility>

namespace {

sockaddr_in LoopbackAddress(const char* address, std::uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    if (inet_pton(AF_INET, address, &result.sin_addr) != 1 || (ntohl(result.sin_addr.s_addr) >> 24) != 127) {
        throw std::runtime_error(std::string("test datagrams stay on loopback, not ") + address);
    }
    return result;
}

}  // namespace

DatagramSource::DatagramSource(const char* address) {
    const sockaddr_in local = LoopbackAddress(address, 0);
    socket_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0 || bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        if (socket_ >= 0)
            close(socket_);
        throw std::runtime_error(std::string("cannot bind a datagram source on ") + address);
    }
}

DatagramSource::~DatagramSource() {
    close(socket_);
}

bool DatagramSource::SendTo(const char* address, std::uint16_t port, std::string_view bytes) const {
    const sockaddr_in to = LoopbackAddress(address, port);
    return sendto(socket_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) ==
           static_cast<ssize_t>(bytes.size());
}

Flood::Flood(const char* from, const char* address, std::uint16_t port, std::string datagram, std::size_t limit)
    : source_(from) {
    // The destination is checked here, on the test's thread, where a throw is reported.
    LoopbackAddress(address, port);
    sender_ = std::thread([this, to = std::string(address), port, datagram = std::move(datagram), limit] {
        while (!stop_.load(std::memory_order_relaxed) && sent_.load(std::memory_order_relaxed) < limit) {
            // A full receive buffer on loopback drops at the receiver; the sender is rarely refused.
            if (source_.SendTo(to.c_str(), port, datagram))
                sent_.fetch_add(1, std::memory_order_relaxed);
        }
        finished_.store(sent_.load() >= limit);
    });
}

Flood::~Flood() {
    Stop();
}

void Flood::Stop() {
    stop_.store(true);
    if (sender_.joinable())
        sender_.join();
}
