#include "tools/korvactl/interrupt_signal.h"

#include <sys/eventfd.h>
#include <unistd.h>
#include <csignal>
#include <cstdint>
#include <stdexcept>

namespace korva::ctl {
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
