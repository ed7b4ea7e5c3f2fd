#pragma once
// The confirmation `set` asks for before it writes, in place of the console's SIM/NÃO question.
#include <iosfwd>
#include <string>

namespace korva::ctl {

struct Terminal {
    bool interactive;  // standard input is a terminal someone can answer on
    std::istream& in;
    std::ostream& out;  // where the question goes (standard error, so the output stays clean)
};

enum class Consent { kGiven, kDeclined, kNoTerminal };

// Asks question followed by " [y/N] "; "y" or "yes" in any case is consent, anything else is not.
// Without a terminal nobody can answer, and writing unasked would be unsafe: kNoTerminal.
Consent AskConsent(const std::string& question, Terminal& terminal);

}  // namespace korva::ctl
