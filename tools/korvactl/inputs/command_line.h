#pragma once
// What korvactl's commands are told on their command lines, read against the rows of command_options.h.
#include "language/catalogue.h"
#include "protocol/ipv4_range.h"
#include "tools/korvactl/model/output_format.h"
#include "tools/korvactl/model/retry_policy.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korva::ctl {

struct CommandLine {
    std::vector<std::string> names;  // devices named as arguments
    std::vector<std::string> files;  // -f: files of device names
    RetryPolicy retry;
    OutputFormat format = OutputFormat::kJson;
    OutputOrder order = OutputOrder::kInput;
    // The self-updating progress line on standard error: nullopt shows it when standard error is a terminal.
    std::optional<bool> progress;
    bool dryRun = false;  // apply: read and check everything, write nothing
    bool raw = false;     // watch: the reply's own line in CSV too
    bool text = false;    // decode: each line is the reply's own text instead of hex
    std::chrono::milliseconds interval{500};
    std::optional<int> count;
    bool yes = false;
    bool force = false;
    std::optional<std::string> ip;
    std::optional<std::string> mask;
    std::optional<std::string> gateway;
    std::optional<std::string> listen;             // the exporter's ADDRESS:PORT
    std::optional<std::string> webConfig;          // the exporter's TLS and passwords
    std::vector<Ipv4Range> allowedTargets;         // what the exporter may probe; empty: any address
    bool noNames = false;                          // the exporter's targets must be addresses
    double rate = 200;                             // scan: requests per second; 0 for no limit
    std::chrono::milliseconds resetInterval{500};  // apply: between reset commands
};

struct ParsedCommandLine {
    std::optional<CommandLine> line;
    std::string error;  // set when line is empty
};

// Arguments after the command's name, of which those starting with '-' must be among the options it
// takes. "--name value" and "--name=value" both work. A mistake is told in the language of texts.
ParsedCommandLine ParseCommandLine(std::string_view command, const std::vector<std::string>& arguments,
                                   const language::Catalogue& texts);

// "500ms", "2s", "1.5s", or a bare number of seconds ("1", "0.2"); from 1 ms to one hour.
std::optional<std::chrono::milliseconds> ParseDuration(std::string_view text);

}  // namespace korva::ctl
