#pragma once
// The yes `set` and `apply` need from the operator before they write.
#include "tools/korvactl/commands/command_context.h"
#include "tools/korvactl/commands/command_io.h"

#include <optional>
#include <string>

namespace korva::ctl {

enum class Consent { kGiven, kDeclined, kNoTerminal, kInterrupted };

// Asks question followed by " [y/N] " in the language of texts; an answer that language has for yes ("y"
// or "yes"; "s" and "sim" too in Portuguese), in any case, is consent, anything else is not. Without a
// terminal nobody can answer, and writing unasked would be unsafe: kNoTerminal. Ctrl-C or SIGTERM while
// the question waits: kInterrupted, at once.
Consent AskConsent(const std::string& question, Terminal& terminal, const language::Catalogue& texts);

// The user's yes to the question, unless --yes gave it beforehand: nullopt to go on, or the exit status
// to end with once standard error says that nothing was written. noTerminal: what is said without a
// terminal to ask on.
std::optional<int> RefusedConsent(CommandContext& context, const language::Message& question,
                                  const language::Message& noTerminal);

}  // namespace korva::ctl
