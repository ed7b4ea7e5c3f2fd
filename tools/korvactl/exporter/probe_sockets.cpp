#include "tools/korvactl/exporter/probe_sockets.h"

#include "protocol/messages.h"
#include "transport/socket_errors.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace korva::ctl {

namespace {

// Replies to a sweep of thousands of devices come faster than one read a turn takes them; the
// system's default buffer (208 KiB) holds some two hundred. Linux caps this at net.core.rmem_max.
constexpr int kReceiveBuffer = 4 << 20;
// The longest reply taken whole; a longer datagram is cut and reads as whatever its start says.
constexpr std::size_t kLongestReply = 2048;
constexpr std::size_t kDatagramsPerRead = 64;

}  // namespace

ProbeSockets::ProbeSockets(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) {
            const int error = errno;
            for (const int open : fds_)
                close(open);
            throw transport::SocketErrorFromErrno(error);
        }
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBuffer, sizeof kReceiveBuffer);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        if (bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
            const int error = errno;
            close(fd);
            for (const int open : fds_)
                close(open);
            throw transport::SocketErrorFromErrno(error);
        }
        fds_.push_back(fd);
    }
}

ProbeSockets::~ProbeSockets() {
    for (const int fd : fds_)
        close(fd);
}

void ProbeSockets::Send(std::uint32_t address, std::string_view bytes) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kDevicePort);
    to.sin_addr.s_addr = htonl(address);
    const int fd = fds_[address % fds_.size()];
    while (sendto(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0 &&
           errno == EINTR) {
    }
}

void ProbeSockets::ReadWaiting(int fd, const Received& received) {
    std::array<std::array<char, kLongestReply>, kDatagramsPerRead> buffers;
    std::array<sockaddr_in, kDatagramsPerRead> from{};
    std::array<iovec, kDatagramsPerRead> parts{};
    std::array<mmsghdr, kDatagramsPerRead> messages{};
    while (true) {
        for (std::size_t i = 0; i < kDatagramsPerRead; ++i) {
            parts[i] = {buffers[i].data(), buffers[i].size()};
            messages[i] = {};
            messages[i].msg_hdr.msg_name = &from[i];
            messages[i].msg_hdr.msg_namelen = sizeof from[i];
            messages[i].msg_hdr.msg_iov = &parts[i];
            messages[i].msg_hdr.msg_iovlen = 1;
        }
        const int count = recvmmsg(fd, messages.data(), kDatagramsPerRead, MSG_DONTWAIT, nullptr);
        if (count < 0 && errno == EINTR)
            continue;
        // An error an unreachable port answered with is taken like an empty read: that request is lost.
        if (count <= 0)
            return;
        const WallTime at = std::chrono::system_clock::now();
        for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i)
            received(ntohl(from[i].sin_addr.s_addr), {buffers[i].data(), messages[i].msg_len}, at);
        if (static_cast<std::size_t>(count) < kDatagramsPerRead)
            return;
    }
}

}  // namespace korva::ctl
