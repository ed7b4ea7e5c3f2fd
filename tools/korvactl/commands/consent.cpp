#include "tools/korvactl/commands/consent.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>

namespace korva::ctl {

Consent AskConsent(const std::string& question, Terminal& terminal) {
    if (!terminal.interactive)
        return Consent::kNoTerminal;
    terminal.out << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(terminal.in, answer))
        return Consent::kDeclined;
    std::erase_if(answer, [](unsigned char c) { return std::isspace(c); });
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return answer == "y" || answer == "yes" ? Consent::kGiven : Consent::kDeclined;
}

}  // namespace korva::ctl
