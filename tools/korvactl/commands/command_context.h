#pragma once
// korvactl's commands: the network commands (status, params, watch, set, reset, scan and apply) and
// what they share, decode, and the exporter.
#include "tools/korvactl/conversations/link.h"
#include "tools/korvactl/inputs/command_line.h"
#include "tools/korvactl/inputs/device_target.h"
#include "tools/korvactl/inputs/input_file.h"
#include "tools/korvactl/output/progress_line.h"
#include "tools/korvactl/output/record_writers.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korva::ctl {

// The confirmation `set` and `apply` ask for before they write, in place of the console's SIM/NÃO
// question.
struct Terminal {
    bool interactive;  // standard input is a terminal someone can answer on
    std::istream& in;
    std::ostream& out;  // where the question goes (standard error, so the output stays clean)
};

enum class Consent { kGiven, kDeclined, kNoTerminal };

// Asks question followed by " [y/N] "; "y" or "yes" in any case is consent, anything else is not.
// Without a terminal nobody can answer, and writing unasked would be unsafe: kNoTerminal.
Consent AskConsent(const std::string& question, Terminal& terminal);

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
};

bool IsNetworkCommand(std::string_view command);
// arguments: those after the command's name.
int RunNetworkCommand(std::string_view command, const std::vector<std::string>& arguments, CommandIo& io);

// What every network command starts from once its command line has been read.
struct CommandContext {
    std::string command;
    CommandLine line;
    std::vector<DeviceTarget> targets;  // the devices named, resolved (none for scan and apply)
    RecordSink& output;                 // replies and failures, failures echoed on standard error
    CommandIo& io;
    ProgressLine& progress;  // redrawn whenever the link waits; cleared before the closing summary
};

// "3 devices answered, 1 failed": the closing line of a sweep, with the prefix of its command.
void TellSweepSummary(CommandContext& context, std::size_t answered, std::size_t failed, const char* answeredWord);

// The endpoint, opened; on failure the reason is printed and the result is empty.
std::unique_ptr<Link> OpenLink(CommandContext& context);
// A failure record for a device that is left without an answer for a reason other than its own.
void ReportUnanswered(CommandContext& context, const DeviceTarget& target, const std::string& reason);

int RunStatusCommand(CommandContext& context);  // status and params
int RunWatchCommand(CommandContext& context);
int RunResetCommand(CommandContext& context);
int RunSetCommand(CommandContext& context);
int RunScanCommand(CommandContext& context);   // context.line.names: the ranges
int RunApplyCommand(CommandContext& context);  // context.line.names: the plan file
// apply's work on a plan read and checked already: the survey, the question, the changes, the results.
int ApplyPlan(CommandContext& context, std::vector<PlanRow> rows);

// `korvactl decode [--text] [FILE...]`: one datagram a line (hex, or the reply's own text with --text)
// from the files or standard input, one JSON object a line out. Bad lines are reported on err with their
// line number and skipped; the result is 0 only when every line decoded, 1 also when the output cannot be
// written, 2 for a bad option or a file that cannot be read.
int RunDecode(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out, std::ostream& err);

// `korvactl exporter --listen ADDRESS:PORT [ADDRESS...] [-f FILE] [--timeout D]`: a Prometheus exporter
// for Korva devices, serving until SIGINT or SIGTERM. arguments: those after the command's name. Returns korvactl's
// exit status.
int RunExporterCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace korva::ctl
