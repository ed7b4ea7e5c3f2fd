#include "app/close_on_signal.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace korva::app {
namespace {

constexpr std::array<int, 3> kEndSignals = {SIGTERM, SIGINT, SIGHUP};

// Written by the handler, which may do no more than async-signal-safe calls: the window is closed
// later, on the GUI thread, when the event loop sees the byte arrive.
volatile std::sig_atomic_t signalWriteEnd = -1;

extern "C" void NoteEndSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a request to close; losing this one changes nothing.
    [[maybe_unused]] const ssize_t written = write(signalWriteEnd, &byte, 1);
    errno = savedErrno;
}

}  // namespace

CloseOnSignal::CloseOnSignal(QWidget* window) : window_(window) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    readEnd_ = ends[0];
    writeEnd_ = ends[1];
    signalWriteEnd = writeEnd_;

    notifier_ = new QSocketNotifier(readEnd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &CloseOnSignal::CloseWindow);

    struct sigaction action {};
    action.sa_handler = NoteEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kEndSignals.size(); ++i)
        sigaction(kEndSignals[i], &action, &previous_[i]);
}

CloseOnSignal::~CloseOnSignal() {
    if (readEnd_ < 0)
        return;
    for (std::size_t i = 0; i < kEndSignals.size(); ++i)
        sigaction(kEndSignals[i], &previous_[i], nullptr);
    signalWriteEnd = -1;
    delete notifier_;
    close(readEnd_);
    close(writeEnd_);
}

void CloseOnSignal::CloseWindow() {
    char bytes[64];
    while (read(readEnd_, bytes, sizeof bytes) > 0) {
    }
    // A signal while the error box of a failed save is up asks for what is already being done: Qt
    // starts no second close of a window that is closing, so nothing more is asked.
    if (!window_.isNull())
        window_->close();
}

}  // namespace korva::app
