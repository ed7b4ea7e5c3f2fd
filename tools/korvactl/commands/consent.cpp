#include "tools/korvactl/commands/consent.h"
#include "tools/common/terminal_text.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>

namespace korva::ctl {

Consent AskConsent(const std::string& question, Terminal& terminal) {
    if (!terminal.interactive)
        return Consent::kNoTerminal;
    terminal.out << tools::TerminalText(question) << " [y/N] " << std::flush;
    std::string answer;
    const tools::LineRead read = terminal.readLine                   ? terminal.readLine(answer)
                                 : std::getline(terminal.in, answer) ? tools::LineRead::kLine
                                                                     : tools::LineRead::kEnd;
    if (read == tools::LineRead::kInterrupted) {
        terminal.out << '\n';  // the answer's line was left open
        return Consent::kInterrupted;
    }
    if (read == tools::LineRead::kEnd)
        return Consent::kDeclined;
    std::erase_if(answer, [](unsigned char c) { return std::isspace(c); });
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return answer == "y" || answer == "yes" ? Consent::kGiven : Consent::kDeclined;
}

std::optional<int> RefusedConsent(CommandContext& context, const std::string& question, const std::string& noTerminal) {
    if (context.line.yes)
        return std::nullopt;
    std::ostream& err = context.io.err;
    const std::string prefix = "korvactl " + context.command + ": ";
    switch (AskConsent(question, context.io.terminal)) {
        case Consent::kGiven:
            return std::nullopt;
        case Consent::kDeclined:
            err << prefix << "nothing written\n";
            return kExitNotAllAnswered;
        case Consent::kInterrupted:
            err << prefix << "interrupted at the question; nothing written\n";
            return kExitNotAllAnswered;
        case Consent::kNoTerminal:
            break;
    }
    err << prefix << noTerminal << "\n";
    return kExitUsage;
}

}  // namespace korva::ctl
