#pragma once
// Ctrl-C for a command-line program whose main thread sleeps in poll(): the SIGINT handler only writes
// to an eventfd (async-signal-safe), and the waiting loop wakes on that descriptor and ends cleanly.
// The handler is installed once with SA_RESETHAND, so a second Ctrl-C ends the program the usual way.
namespace korva::ctl {

class InterruptSignal {
public:
    // Installs the handler; the descriptor stays readable from the first SIGINT on. alsoTerminate: a
    // server, which a service manager stops with SIGTERM, ends just as cleanly on that.
    static int Install(bool alsoTerminate = false);
};

}  // namespace korva::ctl
