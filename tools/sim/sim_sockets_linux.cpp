#include "tools/sim/sim_sockets.h"

#include "protocol/ipv4_range.h"
#include "tools/sim/sim_capacity.h"
#include "transport/socket_address.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace korva::sim {
namespace {

constexpr std::uint64_t kStopMark = ~std::uint64_t{0};

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// One descriptor per address is the price of binding each alone; the limit is raised to its hard
// limit when the range needs it. The hard limit was found enough by CapacityProblem.
std::string RaiseDescriptorLimit(std::uint64_t sockets) {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    if (sockets + DescriptorsHeld() + kSpareDescriptors <= limit.rlim_cur)
        return {};
    limit.rlim_cur = limit.rlim_max;
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
        return SystemError("cannot raise the descriptor limit");
    return {};
}

}  // namespace

// A program started by a shell or a service manager may have been left any descriptors: they are
// counted in /proc, or, without it, by asking each number below the limit.
std::uint64_t DescriptorsHeld() {
    std::uint64_t held = 0;
    if (DIR* descriptors = opendir("/proc/self/fd")) {
        const std::string own = std::to_string(dirfd(descriptors));
        while (const dirent* entry = readdir(descriptors))
            held += entry->d_name[0] != '.' && entry->d_name != own ? 1 : 0;
        closedir(descriptors);
        return held;
    }
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    for (rlim_t fd = 0; fd < limit.rlim_cur; ++fd)
        held += fcntl(static_cast<int>(fd), F_GETFD) != -1 ? 1 : 0;
    return held;
}

std::uint64_t SocketLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    return limit.rlim_max;
}

struct SimSockets::System {
    int stop = -1;
    int epoll = -1;
    std::vector<int> sockets;

    bool Watch(int fd, std::uint64_t mark) const {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = mark;
        return epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event) == 0;
    }
};

SimSockets::SimSockets(tools::InterruptHandle stop) : system_(std::make_unique<System>()) {
    system_->stop = static_cast<int>(stop);
}

SimSockets::~SimSockets() {
    for (const int socket : system_->sockets)
        close(socket);
    if (system_->epoll >= 0)
        close(system_->epoll);
}

std::string SimSockets::Open(const Ipv4Range& addresses, std::uint16_t port) {
    System& s = *system_;
    if (const std::string problem = RaiseDescriptorLimit(addresses.count); !problem.empty())
        return problem;
    s.epoll = epoll_create1(EPOLL_CLOEXEC);
    if (s.epoll < 0 || !s.Watch(s.stop, kStopMark))
        return SystemError("cannot wait for sockets");
    s.sockets.reserve(addresses.count);
    for (std::uint64_t i = 0; i < addresses.count; ++i) {
        if (i % kSocketsBetweenLooks == 0 && tools::InterruptPending(s.stop))
            return kOpeningStopped;
        const sockaddr_in local = transport::SocketAddress(addresses.At(i), port);
        const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (socket < 0)
            return SystemError("cannot create a socket");
        s.sockets.push_back(socket);
        if (bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
            return SystemError("cannot bind " + Ipv4Text(addresses.At(i)) + ":" + std::to_string(port));
        if (!s.Watch(socket, i))
            return SystemError("cannot wait for sockets");
    }
    return {};
}

std::optional<std::vector<std::size_t>> SimSockets::Wait(std::optional<std::chrono::milliseconds> wait) {
    std::array<epoll_event, 64> ready;
    const int count = epoll_wait(system_->epoll, ready.data(), ready.size(), wait ? static_cast<int>(wait->count()) : -1);
    if (count < 0 && errno != EINTR)
        return std::nullopt;
    std::vector<std::size_t> indexes;
    for (int i = 0; i < count; ++i) {
        if (ready[i].data.u64 == kStopMark)
            return std::nullopt;
        indexes.push_back(static_cast<std::size_t>(ready[i].data.u64));
    }
    return indexes;
}

std::optional<Request> SimSockets::Receive(std::size_t index, std::span<char> buffer) {
    sockaddr_in from{};
    while (true) {
        socklen_t fromLength = sizeof from;
        const ssize_t length = recvfrom(system_->sockets[index], buffer.data(), buffer.size(), MSG_TRUNC,
                                        reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (length >= 0)
            return Request{static_cast<std::size_t>(length), {ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)}};
        if (errno != EINTR)
            return std::nullopt;
    }
}

void SimSockets::Send(const Outgoing& reply) {
    const sockaddr_in to = transport::SocketAddress(reply.to.address, reply.to.port);
    [[maybe_unused]] const auto sent = sendto(system_->sockets[reply.socket], reply.bytes.data(), reply.bytes.size(), 0,
                                              reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

}  // namespace korva::sim
