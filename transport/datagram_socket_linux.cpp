#include "transport/datagram_socket.h"

#include "transport/socket_address.h"
#include "transport/socket_errors.h"
#include "transport/system_errors.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <utility>

namespace korva::transport {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~FileDescriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

FileDescriptor OpenBoundSocket() {
    FileDescriptor socketFd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (socketFd.get() < 0)
        throw SocketError(0, kCannotAllocateSocket);

    const int off = 0;
    if (setsockopt(socketFd.get(), SOL_SOCKET, SO_BROADCAST, &off, sizeof off) != 0)
        throw LastSocketError();
    // Whatever size the system grants will do; the default is only less robust under a flood.
    [[maybe_unused]] const int sized =
        setsockopt(socketFd.get(), SOL_SOCKET, SO_RCVBUF, &kSocketReceiveBuffer, sizeof kSocketReceiveBuffer);
    const sockaddr_in any = SocketAddress(INADDR_ANY, 0);
    if (bind(socketFd.get(), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        if (errno == EADDRINUSE)
            throw SocketError(0, kCannotBindAddressInUse);
        throw LastSocketError();
    }
    return socketFd;
}

std::uint16_t BoundPort(int socketFd) {
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (getsockname(socketFd, reinterpret_cast<sockaddr*>(&bound), &length) != 0)
        throw LastSocketError();
    return ntohs(bound.sin_port);
}

}  // namespace

// Reads up to kDatagramsPerRead waiting datagrams with one system call. A flood from elsewhere has to be
// read away faster than a single sender writes it, or the device's replies are lost to a full socket
// buffer; one datagram per call was not fast enough for that.
struct DatagramSocket::System {
    FileDescriptor socket;
    FileDescriptor wakeUp;  // eventfd: closing a socket does not end a poll() that waits on it
    std::vector<char> buffers = std::vector<char>(kDatagramsPerRead * kReceiveBufferSize);
    std::array<iovec, kDatagramsPerRead> slices{};
    std::array<mmsghdr, kDatagramsPerRead> headers{};
    std::array<sockaddr_in, kDatagramsPerRead> from{};
};

DatagramSocket::DatagramSocket() : system_(std::make_unique<System>()) {
    system_->socket = OpenBoundSocket();
    localPort_ = BoundPort(system_->socket.get());
    system_->wakeUp = FileDescriptor(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (system_->wakeUp.get() < 0)
        throw LastSocketError();
}

DatagramSocket::~DatagramSocket() = default;

bool DatagramSocket::Wait(std::chrono::milliseconds wait) {
    std::array<pollfd, 2> waitFor{pollfd{system_->socket.get(), POLLIN, 0}, pollfd{system_->wakeUp.get(), POLLIN, 0}};
    return poll(waitFor.data(), waitFor.size(), static_cast<int>(wait.count())) > 0 && waitFor[0].revents != 0;
}

void DatagramSocket::WakeUp() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(system_->wakeUp.get(), &one, sizeof one);
}

std::vector<ReceivedDatagram> DatagramSocket::ReadWaiting() {
    System& s = *system_;
    for (std::size_t i = 0; i < kDatagramsPerRead; ++i) {
        s.slices[i] = iovec{s.buffers.data() + i * kReceiveBufferSize, kReceiveBufferSize};
        s.headers[i] = mmsghdr{};
        s.headers[i].msg_hdr.msg_name = &s.from[i];
        s.headers[i].msg_hdr.msg_namelen = sizeof s.from[i];
        s.headers[i].msg_hdr.msg_iov = &s.slices[i];
        s.headers[i].msg_hdr.msg_iovlen = 1;
    }
    const int count = recvmmsg(s.socket.get(), s.headers.data(), kDatagramsPerRead, MSG_DONTWAIT, nullptr);
    std::vector<ReceivedDatagram> read;
    read.reserve(count > 0 ? static_cast<std::size_t>(count) : 0);
    for (int i = 0; i < count; ++i) {
        if ((s.headers[i].msg_hdr.msg_flags & MSG_TRUNC) != 0)
            continue;  // longer than the buffer: dropped whole
        read.push_back({std::string(s.buffers.data() + i * kReceiveBufferSize, s.headers[i].msg_len),
                        SenderOf(s.from[i]), ntohl(s.from[i].sin_addr.s_addr)});
    }
    return read;
}

void DatagramSocket::SendTo(std::uint32_t address, std::uint16_t port, std::string_view data) {
    const sockaddr_in to = SocketAddress(address, port);
    const ssize_t sent = sendto(system_->socket.get(), data.data(), data.size(), 0,
                                reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (sent < 0) {
        if (errno == EMSGSIZE)
            throw SocketError(0, kPackageSizeTooBig);
        throw LastSocketError();
    }
    if (static_cast<std::size_t>(sent) != data.size())
        throw SocketError(0, kNotAllBytesSent);
}

void DatagramSocket::ShutDown() {
    shutdown(system_->socket.get(), SHUT_WR);
}

}  // namespace korva::transport
