#include "tools/common/interrupt_signal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace korva::tools {
namespace {

volatile std::sig_atomic_t interruptFd = -1;

extern "C" void OnInterrupt(int) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(interruptFd, &one, sizeof one);
}

}  // namespace

InterruptHandle InterruptSignal::Install(bool alsoTerminate) {
    if (interruptFd >= 0)
        return interruptFd;
    const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0)
        throw std::runtime_error("cannot create the interrupt descriptor");
    interruptFd = fd;
    // SA_RESTART: a write or a name lookup under way goes on; the waits poll, which the kernel never
    // restarts, and find the descriptor ready.
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    if (alsoTerminate)
        sigaction(SIGTERM, &action, nullptr);
    return fd;
}

bool InterruptPending(InterruptHandle interrupt) {
    pollfd pending{static_cast<int>(interrupt), POLLIN, 0};
    return interrupt != kNoInterrupt && poll(&pending, 1, 0) > 0;
}

LineRead ReadLineOrInterrupt(InterruptHandle interrupt, std::string& line) {
    line.clear();
    while (true) {
        // poll leaves out a negative descriptor: without an interrupt, this waits for input alone.
        std::array<pollfd, 2> waitFor{pollfd{STDIN_FILENO, POLLIN, 0}, pollfd{static_cast<int>(interrupt), POLLIN, 0}};
        if (poll(waitFor.data(), waitFor.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return LineRead::kEnd;
        }
        if (waitFor[1].revents != 0)
            return LineRead::kInterrupted;
        // A byte at a time, so that nothing after the line is taken from a pipe; a terminal hands over
        // the whole line at once anyway, when Enter is pressed.
        char c = 0;
        const ssize_t got = read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || c == '\n') {
            // A handler may run later than the input it raced with came in (a sanitizer defers it to
            // the next system call): a line completed after the request to stop is too late an answer.
            if (InterruptPending(interrupt))
                return LineRead::kInterrupted;
            return got <= 0 && line.empty() ? LineRead::kEnd : LineRead::kLine;
        }
        line += c;
    }
}

}  // namespace korva::tools
