// The link on the UDP endpoint, and the SIGINT handler that wakes it.
#include "protocol/messages.h"
#include "tools/korvactl/conversations/link.h"
#include "transport/host_address.h"
#include "transport/socket_errors.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <stdexcept>

namespace korva::ctl {

namespace {

int OpenWakeFd() {
    const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0)
        throw transport::SocketErrorFromErrno(errno);
    return fd;
}

void Drain(int fd) {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read_ = read(fd, &count, sizeof count);
}

}  // namespace

EndpointLink::EndpointLink(int interruptFd)
    : wakeFd_(OpenWakeFd()),
      interruptFd_(interruptFd),
      endpoint_(
          [this](const std::string& bytes, const transport::Sender& from) {
              received_.push_back({bytes, from.address, std::chrono::system_clock::now()});
          },
          [this] {
              const std::uint64_t one = 1;
              [[maybe_unused]] const auto written = write(wakeFd_, &one, sizeof one);
          }) {
    endpoint_.AcceptOnlyFrom({});
    try {
        endpoint_.SetActive(true);
    } catch (...) {
        close(wakeFd_);
        throw;
    }
}

EndpointLink::~EndpointLink() {
    endpoint_.SetActive(false);  // before the descriptor its wake-ups write to goes away
    close(wakeFd_);
}

SteadyTime EndpointLink::Now() {
    return std::chrono::steady_clock::now();
}

void EndpointLink::Send(const std::string& address, std::string_view data) {
    const std::uint32_t device = transport::ResolveHost(address);
    endpoint_.AlsoAcceptFrom(device);  // before the request goes out, or its reply could come too soon
    endpoint_.SendTo(device, kDevicePort, data);
    // A scan without a rate limit sends thousands of requests before it next waits; meanwhile the
    // receiving thread would sit on what it read, and the replies after it would pile up in the
    // socket's buffer until it overflows. Taking what was read lets the thread read on.
    endpoint_.ServePending();
}

WakeReason EndpointLink::WaitUntil(SteadyTime deadline, Incoming& datagram) {
    while (true) {
        if (!received_.empty()) {
            datagram = std::move(received_.front());
            received_.pop_front();
            return WakeReason::kDatagram;
        }
        AboutToWait();
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Now());
        std::array<pollfd, 2> waitFor{pollfd{wakeFd_, POLLIN, 0}, pollfd{interruptFd_, POLLIN, 0}};
        const int ready = poll(waitFor.data(), waitFor.size(), left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (ready > 0 && waitFor[1].revents != 0)
            return WakeReason::kInterrupted;  // left unread: every later wait ends at once too
        if (ready > 0 && waitFor[0].revents != 0) {
            Drain(wakeFd_);
            endpoint_.ServePending();
            continue;
        }
        if (left.count() <= 0)
            return WakeReason::kDeadline;
    }
}

bool EndpointLink::InterruptRequested() {
    pollfd interrupt{interruptFd_, POLLIN, 0};
    return poll(&interrupt, 1, 0) > 0;
}

namespace {

volatile std::sig_atomic_t interruptFd = -1;

extern "C" void OnInterrupt(int) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(interruptFd, &one, sizeof one);
}

}  // namespace

int InterruptSignal::Install(bool alsoTerminate) {
    if (interruptFd >= 0)
        return interruptFd;
    const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0)
        throw std::runtime_error("cannot create the interrupt descriptor");
    interruptFd = fd;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    if (alsoTerminate)
        sigaction(SIGTERM, &action, nullptr);
    return fd;
}

}  // namespace korva::ctl
