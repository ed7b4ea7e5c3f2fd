#pragma once
// korvactl's network commands: status, params, watch, set, reset, scan and apply.
#include "tools/korvactl/confirmation.h"
#include "tools/korvactl/link.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korva::ctl {

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
};

bool IsNetworkCommand(std::string_view command);
// arguments: those after the command's name.
int RunNetworkCommand(std::string_view command, const std::vector<std::string>& arguments, CommandIo& io);

}  // namespace korva::ctl
