#pragma once
// What korvactl reads besides its command line: input files, device lists, captured datagrams, and the
// new parameters of set and apply with their checks.
#include <cstdint>
#include <fstream>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "language/catalogue.h"
#include "protocol/new_parameters.h"
#include "tools/korvactl/model/plan_row.h"

namespace korva::ctl {

// Files korvactl reads (device lists, captured datagrams). A directory opens like a file on Linux and
// then reads as empty, so it is refused by name here instead of passing for an empty list.
// The file opened for reading, or nullopt with the system's reason ("Is a directory") in reason.
std::optional<std::ifstream> OpenInputFile(const std::string& path, std::string& reason);

// After reading in to its end: the system's reason when the reading stopped on an error, else empty.
std::string ReadError(const std::ifstream& in);

// A file's first line without the UTF-8 byte order mark that editors on Windows put before the text.
std::string WithoutByteOrderMark(const std::string& firstLine);

// Device lists kept in files: one device a line, "#" starts a comment, blank lines are skipped.
std::vector<std::string> ReadAddressLines(std::istream& in);

// The names given as arguments, then those of each file in turn. nullopt, with the reason in error in the
// language of texts, when a file cannot be read (a directory cannot).
std::optional<std::vector<std::string>> CollectDeviceNames(const std::vector<std::string>& names,
                                                           const std::vector<std::string>& files,
                                                           const language::Catalogue& texts, std::string& error);

// Datagrams pasted from a capture: hex digits, optionally separated by blanks or colons, as tcpdump and
// Wireshark print them ("30 31 30 30", "30:31:30:30", "30313030").
// The bytes, or nullopt when the line holds anything else or an odd number of digits.
std::optional<std::string> ParseHexLine(std::string_view line);

// The new parameters of `set` and of each plan row, checked by the rules the console uses too.
using korva::NewParameters;

// What a problem calls each of the new parameters: "address", "mask" and "gateway" for set, in the
// language the problem is told in; a plan calls them by its columns.
struct ParameterNames {
    language::Message address{"ctl.parameter.address"};
    language::Message mask{"ctl.parameter.mask"};
    language::Message gateway{"ctl.parameter.gateway"};
};

// Every problem CheckNewParameters finds for a device now at current, each a sentence naming the value,
// in the language of texts; empty when the parameters can be written.
using korva::CurrentPlace;
std::vector<std::string> ParameterProblemTexts(const NewParameters& parameters, CurrentPlace current,
                                               const language::Catalogue& texts, const ParameterNames& names = {});

// "00-1a-ab-01-02-ff" or "0:1A:AB:1:2:FF": six hexadecimal octets of one or two digits between dashes or
// colons, written as the replies read, "00-1A-AB-01-02-FF". nullopt for anything else.
std::optional<std::string> CanonicalMac(std::string_view text);

// The words a plan's messages call its columns by: its header's, or these in the language told in.
struct PlanColumns {
    language::Message address{"ctl.column.address"};
    language::Message newAddress{"ctl.column.new_address"};
    language::Message mask{"ctl.column.mask"};
    language::Message gateway{"ctl.column.gateway"};
    language::Message mac{"ctl.column.mac"};
};

struct Plan {
    std::vector<PlanRow> rows;
    std::vector<std::string> problems;  // records that are no row, each named by its line, in ReadPlan's language
    PlanColumns columns;
    bool overLimit = false;  // more rows than the limit: the reading stopped after one more
};

// Reads rows until the end or one row past rowLimit, so that a plan's memory is bounded by the limit
// and not by the file. Problems are told in the language of texts.
Plan ReadPlan(std::istream& in, const language::Catalogue& texts, std::size_t rowLimit = SIZE_MAX);

// Problems with the plan as a whole, each a sentence naming the line: every row's values checked as
// `set` checks them, a MAC that is none, a device (address or MAC) planned twice, two devices given one
// new address, and a new address that another row's device holds now, in the language of texts. The
// network is not asked; apply does that next.
std::vector<std::string> CheckPlan(const std::vector<PlanRow>& rows, const language::Catalogue& texts,
                                   const PlanColumns& columns = {});

}  // namespace korva::ctl
