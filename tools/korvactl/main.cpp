// korvactl: the console's work from a script.
#include "language/language_choice.h"
#include "tools/common/interrupt_signal.h"
#include "tools/common/standard_streams.h"
#include "tools/korvactl/conversations/link.h"
#include "tools/korvactl/inputs/command_options.h"
#include "tools/korvactl/output/record_writers.h"
#include "tools/korvactl/program/command_help.h"
#include "tools/korvactl/program/run_command.h"

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    korva::tools::PrepareStandardStreams();
#ifdef SIGPIPE
    // Output into a pipe whose reader has gone (`korvactl scan ... | head -1`) must end with the message
    // and status 1 a script can see, as any other unwritable output does, not with a silent SIGPIPE.
    // Windows has no such signal: the write fails there anyway.
    signal(SIGPIPE, SIG_IGN);
#endif
    // English unless the system asks for another language a catalogue has.
    const korva::language::Catalogue& texts = korva::language::ChooseCatalogue(korva::language::English());
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) {
        korva::ctl::PrintUsage(std::cerr, texts);
        return 2;
    }
    const auto action = korva::ctl::ProgramActionOf(arguments[0], false);
    const bool version = action == korva::ctl::ProgramAction::kVersion;
    if (action != korva::ctl::ProgramAction::kNone) {
        if (version)
            std::cout << "korvactl " << KORVA_PROGRAM_VERSION << '\n';
        else
            korva::ctl::PrintUsage(std::cout, texts);
        try {
            korva::ctl::FlushOrThrow(std::cout);
        } catch (const korva::ctl::OutputError& error) {
            std::cerr << "korvactl: " << texts.Text({"ctl.output_unwritable", {{"reason", error.what()}}}) << "\n";
            return 1;
        }
        return 0;
    }
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    using korva::tools::InterruptSignal;
    const auto interrupt = [] { return InterruptSignal::Install(true); };
    const korva::ctl::Terminal terminal{
        korva::tools::StandardInputIsTerminal(), std::cin, std::cerr,
        [&interrupt](std::string& line) { return korva::tools::ReadLineOrInterrupt(interrupt(), line); }};
    korva::ctl::CommandIo io{
        std::cout,
        std::cerr,
        terminal,
        [&interrupt] { return std::make_unique<korva::ctl::EndpointLink>(interrupt()); },
        korva::tools::StandardErrorIsTerminal(),
        interrupt,
        korva::tools::StandardOutputIsTerminal(),
        texts};
    return korva::ctl::RunCommand(arguments[0], rest, io);
}
