#pragma once
// The buttons the message dialog shows for each kind of message, and the one Return presses until the
// operator moves the focus: the same dialog on every system.
#include "console/console_view.h"

namespace korva::console {

enum class DialogButton { kNone, kOk, kSim, kNao };

struct MessageButtons {
    bool ok;
    bool sim;
    bool nao;
    DialogButton first;  // kNone: a notice, which only its time-out closes
};

// A kind the console does not know keeps every button, SIM first.
MessageButtons ButtonsOf(int kind);

}  // namespace korva::console
