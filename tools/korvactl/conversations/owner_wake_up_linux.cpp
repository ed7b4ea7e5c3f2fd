#include "tools/korvactl/conversations/owner_wake_up.h"

#include "transport/socket_errors.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace korva::ctl {
namespace {

void Drain(int fd) {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read_ = read(fd, &count, sizeof count);
}

}  // namespace

WakeUpHandle OpenWakeUp() {
    const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0)
        throw transport::SocketErrorFromErrno(errno);
    return fd;
}

void CloseWakeUp(WakeUpHandle wakeUp) {
    close(static_cast<int>(wakeUp));
}

void WakeOwner(WakeUpHandle wakeUp) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(static_cast<int>(wakeUp), &one, sizeof one);
}

Woken WaitForWakeUp(WakeUpHandle wakeUp, InterruptHandle interrupt, std::chrono::milliseconds wait) {
    std::array<pollfd, 2> waitFor{pollfd{static_cast<int>(wakeUp), POLLIN, 0},
                                  pollfd{static_cast<int>(interrupt), POLLIN, 0}};
    const int ready = poll(waitFor.data(), waitFor.size(), static_cast<int>(wait.count()));
    if (ready > 0 && waitFor[1].revents != 0)
        return Woken::kInterrupt;  // left unread: every later wait ends at once too
    if (ready > 0 && waitFor[0].revents != 0) {
        Drain(static_cast<int>(wakeUp));
        return Woken::kWakeUp;
    }
    return Woken::kTimeOut;
}

}  // namespace korva::ctl
