#pragma once
// The yes `set` and `apply` need from the operator before they write.
#include "tools/korvactl/commands/command_io.h"

#include <string>

namespace korva::ctl {

enum class Consent { kGiven, kDeclined, kNoTerminal };

// Asks question followed by " [y/N] "; "y" or "yes" in any case is consent, anything else is not.
// Without a terminal nobody can answer, and writing unasked would be unsafe: kNoTerminal.
Consent AskConsent(const std::string& question, Terminal& terminal);

}  // namespace korva::ctl
