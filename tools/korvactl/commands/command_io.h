#pragma once
// What a korvactl command reads and writes: its streams, the terminal it may ask on, the link it opens
// once ready, the language it speaks, and the exit statuses it ends with.
#include "language/catalogue.h"
#include "tools/common/interrupt_signal.h"
#include "tools/korvactl/conversations/link.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

namespace korva::ctl {

// The confirmation `set` and `apply` ask for before they write, in place of the console's SIM/NÃO
// question.
struct Terminal {
    bool interactive;   // standard input is a terminal someone can answer on
    std::istream& in;   // standard input: decode reads it
    std::ostream& out;  // where the question goes (standard error, so the output stays clean)
    // The answer typed, the end of input or the user's Ctrl-C, whichever comes first. Empty: a line of in.
    std::function<tools::LineRead(std::string& line)> readLine = {};
};

inline constexpr int kExitAllAnswered = 0;
// also: a write refused at the prompt, a reset not acknowledged, output that could not be written
inline constexpr int kExitNotAllAnswered = 1;
inline constexpr int kExitUsage = 2;  // bad command line, or values `set` refuses to write

struct CommandIo {
    std::ostream& out;
    std::ostream& err;
    Terminal terminal;
    // Opens the link once the command is ready to talk (after checks and confirmation). Throws
    // transport::SocketError. Tests give a scripted device here.
    std::function<std::unique_ptr<Link>()> openLink;
    bool errIsTerminal;  // the progress line is shown there unless --no-progress
    // From the moment a network command has resolved its devices, SIGINT and SIGTERM (Ctrl-C and
    // Ctrl-Break) end its waits, its question included, instead of the program. Tests leave it empty and
    // interrupt through their link and terminal.
    std::function<void()> catchInterrupts = {};
    // Standard output is a terminal too: the progress line makes way for each line of results.
    bool outIsTerminal = false;
    // The user's language: help, questions and what standard error says. What standard output holds,
    // JSON, CSV and tables, is the same in every language.
    const language::Catalogue& texts = language::English();
};

}  // namespace korva::ctl
