#include "tools/korvactl/commands/consent.h"
#include "tools/common/terminal_text.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>
#include <sstream>

namespace korva::ctl {

namespace {

// The words of texts that say yes ("y yes").
bool SaysYes(const std::string& answer, const language::Catalogue& texts) {
    std::istringstream words(texts.Text("ctl.consent.yes"));
    for (std::string word; words >> word;) {
        if (word == answer)
            return true;
    }
    return false;
}

}  // namespace

Consent AskConsent(const std::string& question, Terminal& terminal, const language::Catalogue& texts) {
    if (!terminal.interactive)
        return Consent::kNoTerminal;
    terminal.out << tools::TerminalText(question) << ' ' << texts.Text("ctl.consent.choices") << ' ' << std::flush;
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
    return SaysYes(answer, texts) ? Consent::kGiven : Consent::kDeclined;
}

std::optional<int> RefusedConsent(CommandContext& context, const language::Message& question,
                                  const language::Message& noTerminal) {
    if (context.line.yes)
        return std::nullopt;
    std::ostream& err = context.io.err;
    const language::Catalogue& texts = context.io.texts;
    const std::string prefix = "korvactl " + context.command + ": ";
    switch (AskConsent(texts.Text(question), context.io.terminal, texts)) {
        case Consent::kGiven:
            return std::nullopt;
        case Consent::kDeclined:
            err << prefix << texts.Text("ctl.nothing_written") << "\n";
            return kExitNotAllAnswered;
        case Consent::kInterrupted:
            err << prefix << texts.Text("ctl.consent.interrupted") << "\n";
            return kExitNotAllAnswered;
        case Consent::kNoTerminal:
            break;
    }
    err << prefix << texts.Text(noTerminal) << "\n";
    return kExitUsage;
}

}  // namespace korva::ctl
