#pragma once
// Ctrl-C and the termination request for a command-line tool whose main thread waits, and the waits
// that end at them, as each system has them: interrupt_signal_linux.cpp (a handler that only writes to
// an eventfd, async-signal-safe) and interrupt_signal_win32.cpp (the console's control handler, which
// sets an event). Every wait of the tool watches the same handle, so a request to stop is never lost
// and never acted on later than the wait it came in.
#include <cstdint>
#include <string>

namespace korva::tools {

// The request to stop as the system has it: a descriptor that becomes readable (POSIX) or an event that
// becomes signalled (Windows). It stays ready from the first request on, so every later wait ends at
// once too.
using InterruptHandle = std::intptr_t;
inline constexpr InterruptHandle kNoInterrupt = -1;

class InterruptSignal {
public:
    // Installs the handler once and returns its handle (the same one on every later call). SIGINT
    // (Ctrl-C); with alsoTerminate SIGTERM too (Windows: Ctrl-Break and closing the console), which a
    // service manager or a script's `timeout` sends. Only the first request is taken: a second one ends
    // the program the usual way. Throws std::runtime_error.
    static InterruptHandle Install(bool alsoTerminate = false);
};

// Whether the request to stop has come, without waiting. Never for kNoInterrupt.
bool InterruptPending(InterruptHandle interrupt);

enum class LineRead {
    kLine,         // a whole line, without its line end
    kEnd,          // standard input ended (or failed) before a line
    kInterrupted,  // the request to stop came first
};

// Waits for one line typed on standard input, or for the request to stop, whichever comes first: a
// question on the terminal must not outlive the user's Ctrl-C.
LineRead ReadLineOrInterrupt(InterruptHandle interrupt, std::string& line);

}  // namespace korva::tools
