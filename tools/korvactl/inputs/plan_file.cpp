// The checks of new parameters, and apply's plan file.
#include "protocol/ipv4_range.h"
#include "tools/common/terminal_text.h"
#include "tools/korvactl/inputs/csv_records.h"
#include "tools/korvactl/inputs/input_file.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <istream>
#include <map>
#include <optional>
#include <string_view>
#include <utility>

namespace korva::ctl {

namespace {

const std::string& BoxName(ParameterBox box, const ParameterNames& names) {
    switch (box) {
        case ParameterBox::kAddress:
            return names.address;
        case ParameterBox::kMask:
            return names.mask;
        case ParameterBox::kGateway:
            break;
    }
    return names.gateway;
}

std::string Sentence(const NewParameters& parameters, const ParameterProblem& problem, const ParameterNames& names) {
    const std::string& what = BoxName(problem.box, names);
    const std::string& value = ValueIn(parameters, problem.box);
    switch (problem.fault) {
        case ParameterFault::kNotDottedQuad:
            return what + " '" + value + "' is not four decimal octets 0-255";
        case ParameterFault::kMaskNotContiguous:
            return what + " " + value + " is not contiguous (ones, then zeros)";
        case ParameterFault::kMaskLeavesNoRoom:
            return what + " " + value + " leaves no subnet with room for a device and a gateway";
        case ParameterFault::kNetworkAddress:
            return what + " " + value + " is the network address of its subnet";
        case ParameterFault::kBroadcastAddress:
            return what + " " + value + " is the broadcast address of its subnet";
        case ParameterFault::kGatewayOutsideSubnet:
            return what + " " + value + " is outside the subnet of " + parameters.address + " with mask " +
                   parameters.mask;
        case ParameterFault::kGatewayIsAddress:
            return what + " " + value + " is the device's own address";
        case ParameterFault::kThisNetwork:
            return what + " " + value + " is in 0.0.0.0/8, which means this network: no device has it";
        case ParameterFault::kMulticast:
            return what + " " + value + " is a multicast address (224.0.0.0/4): no device has it";
        case ParameterFault::kReserved:
            return what + " " + value + " is in the reserved block 240.0.0.0/4: no device has it";
        case ParameterFault::kLinkLocal:
            return what + " " + value + " is link-local (169.254.0.0/16): never reached through a gateway";
        case ParameterFault::kLoopback:
            break;
    }
    return what + " " + value + " is a loopback address (127.0.0.0/8), which only a device on loopback may take";
}

}  // namespace

std::vector<std::string> ParameterProblemTexts(const NewParameters& parameters, CurrentPlace current,
                                              const ParameterNames& names) {
    std::vector<std::string> texts;
    for (const ParameterProblem& problem : CheckNewParameters(parameters, current))
        texts.push_back(Sentence(parameters, problem, names));
    return texts;
}

namespace {

enum class Column { kAddress, kNewAddress, kMask, kGateway, kMac };
constexpr std::size_t kColumns = 5;

// A header's word as it is compared: lower case, without accents, with blanks for underscores and
// hyphens, and runs of blanks as one. Read as UTF-8, or as Windows-1252 where it is none, as a
// spreadsheet on Windows saves its "CSV".
std::string Folded(const std::string& word) {
    // The ASCII letter under each character from U+00C0 to U+00FF.
    static constexpr std::string_view kBaseLetters =
        "aaaaaaaceeeeiiiidnooooo?ouuuuyts"
        "aaaaaaaceeeeiiiidnooooo?ouuuuyty";
    const std::string text = tools::TerminalText(word);
    std::string folded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char c = static_cast<char>(std::tolower(byte));
        if (byte == 0xC3 && i + 1 < text.size()) {  // U+00C0-U+00FF in UTF-8
            c = kBaseLetters[static_cast<unsigned char>(text[++i]) & 0x3F];
        } else if (c == '_' || c == '-') {
            c = ' ';
        }
        if (c != ' ' || (!folded.empty() && folded.back() != ' '))
            folded += c;
    }
    while (!folded.empty() && folded.back() == ' ')
        folded.pop_back();
    return folded;
}

std::optional<Column> ColumnNamed(const std::string& word) {
    static const std::pair<const char*, Column> kWords[] = {
        {"address", Column::kAddress},          {"endereco", Column::kAddress}, {"new address", Column::kNewAddress},
        {"novo endereco", Column::kNewAddress}, {"mask", Column::kMask},        {"mascara", Column::kMask},
        {"gateway", Column::kGateway},          {"mac", Column::kMac},
    };
    const std::string folded = Folded(word);
    for (const auto& [known, column] : kWords) {
        if (folded == known)
            return column;
    }
    return std::nullopt;
}

std::string& WordOf(PlanColumns& columns, Column column) {
    switch (column) {
        case Column::kAddress:
            return columns.address;
        case Column::kNewAddress:
            return columns.newAddress;
        case Column::kMask:
            return columns.mask;
        case Column::kGateway:
            return columns.gateway;
        case Column::kMac:
            break;
    }
    return columns.mac;
}

std::string SeparatorName(char separator) {
    return separator == '\t' ? "tab" : std::string("'") + separator + "'";
}

// The columns of a plan in the order of its fields, and the words they go by.
struct Layout {
    std::vector<std::optional<Column>> fields = {Column::kAddress, Column::kNewAddress, Column::kMask, Column::kGateway,
                                                 Column::kMac};
    PlanColumns words;

    // "address,new_address,mask,gateway[,mac]"
    std::string Expected() const {
        std::string text;
        for (const auto& column : fields) {
            if (!column)
                continue;
            PlanColumns named = words;
            const std::string& word = WordOf(named, *column);
            text += *column == Column::kMac ? "[" + std::string(text.empty() ? "" : ",") + word + "]"
                                            : (text.empty() ? "" : ",") + word;
        }
        return text;
    }
};

// The header's layout when the record is one: any of its fields names a column. Problems with it (a
// word that names no column, a column twice, one missing) go to problems.
std::optional<Layout> HeaderLayout(const CsvRecord& record, std::vector<std::string>& problems) {
    if (std::none_of(record.fields.begin(), record.fields.end(),
                     [](const std::string& field) { return ColumnNamed(field).has_value(); }))
        return std::nullopt;
    const std::string where = "line " + std::to_string(record.line) + ": ";
    Layout layout;
    layout.fields.clear();
    std::vector<bool> named(kColumns, false);
    for (const std::string& field : record.fields) {
        const auto column = ColumnNamed(field);
        layout.fields.push_back(column);  // a column without a word is the spreadsheet's, not the plan's
        if (!column) {
            if (!field.empty())
                problems.push_back(where + "'" + field +
                                   "' names no column (address, new address, mask, gateway, mac; in Portuguese "
                                   "endereço, novo endereço, máscara, gateway, mac)");
        } else if (named[static_cast<std::size_t>(*column)]) {
            problems.push_back(where + "the column " + field + " is named twice");
        } else {
            named[static_cast<std::size_t>(*column)] = true;
            WordOf(layout.words, *column) = field;
        }
    }
    for (const Column required : {Column::kAddress, Column::kNewAddress, Column::kMask, Column::kGateway}) {
        if (!named[static_cast<std::size_t>(required)])
            problems.push_back(where + "the header names no column " + WordOf(layout.words, required));
    }
    return layout;
}

std::string LineName(const PlanRow& row) {
    return "line " + std::to_string(row.line) + " (" + row.address + ")";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<std::string> CanonicalMac(std::string_view text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string mac;
    for (int octet = 0; octet < 6; ++octet) {
        if (octet > 0) {
            if (text.empty() || (text.front() != '-' && text.front() != ':'))
                return std::nullopt;
            text.remove_prefix(1);
        }
        int value = 0;
        std::size_t digits = 0;
        for (; digits < text.size() && digits < 3 && HexDigit(text[digits]) >= 0; ++digits)
            value = value * 16 + HexDigit(text[digits]);
        if (digits == 0 || digits > 2)
            return std::nullopt;
        text.remove_prefix(digits);
        if (octet > 0)
            mac += '-';
        mac += kDigits[value / 16];
        mac += kDigits[value % 16];
    }
    if (!text.empty())
        return std::nullopt;
    return mac;
}

Plan ReadPlan(std::istream& in, std::size_t rowLimit) {
    Plan plan;
    CsvRecords records(in);
    Layout layout;
    std::size_t read = 0;  // rows and records that are none, against the limit
    bool first = true;
    while (const auto record = records.Next()) {
        if (record->fields.empty() && !record->tooLong && !record->openQuote)
            continue;  // a blank line, a comment, a row of separators
        if (++read > rowLimit) {
            plan.overLimit = true;
            break;
        }
        const std::string where = "line " + std::to_string(record->line) + ": ";
        if (std::exchange(first, false)) {
            if (auto header = HeaderLayout(*record, plan.problems)) {
                layout = std::move(*header);
                plan.columns = layout.words;
                continue;
            }
        }
        if (record->tooLong) {
            plan.problems.push_back(where + "longer than " + std::to_string(CsvRecords::kLongestRecord) +
                                    " characters: no row of a plan is");
            continue;
        }
        if (record->openQuote) {
            plan.problems.push_back(where + "a quote opens a field that never ends");
            continue;
        }
        PlanRow row{record->line, {}, {}, {}, {}, {}};
        PlanColumns values;
        std::vector<bool> given(kColumns, false);
        const std::size_t count = record->fields.size();
        for (std::size_t i = 0; i < std::min(count, layout.fields.size()); ++i) {
            if (const auto column = layout.fields[i]) {
                WordOf(values, *column) = record->fields[i];
                given[static_cast<std::size_t>(*column)] = true;
            }
        }
        const bool fits = count <= layout.fields.size() &&
                          std::all_of(given.begin(), given.begin() + static_cast<std::ptrdiff_t>(Column::kMac),
                                      [](bool isGiven) { return isGiven; });
        if (!fits) {
            plan.problems.push_back(where + "expected " + layout.Expected() + " separated by " +
                                    SeparatorName(records.Separator()) + "; found " + std::to_string(count) +
                                    (count == 1 ? " field" : " fields"));
            continue;
        }
        row.address = values.address;
        row.newAddress = values.newAddress;
        row.mask = values.mask;
        row.gateway = values.gateway;
        row.mac = given[static_cast<std::size_t>(Column::kMac)] ? values.mac : "";
        plan.rows.push_back(std::move(row));
    }
    return plan;
}

std::vector<std::string> CheckPlan(const std::vector<PlanRow>& rows, const PlanColumns& columns) {
    std::vector<std::string> problems;
    std::map<std::uint32_t, const PlanRow*> byAddress;
    std::map<std::uint32_t, const PlanRow*> byNewAddress;
    std::map<std::string, const PlanRow*> byMac;
    const ParameterNames names{columns.newAddress, columns.mask, columns.gateway};
    for (const PlanRow& row : rows) {
        const CurrentPlace current = PlaceOf(ParseIpv4(row.address).value_or(0));
        for (const std::string& problem :
             ParameterProblemTexts({row.newAddress, row.mask, row.gateway}, current, names))
            problems.push_back(LineName(row) + ": " + problem);
        if (!row.mac.empty()) {
            const auto mac = CanonicalMac(row.mac);
            if (!mac)
                problems.push_back(LineName(row) + ": " + columns.mac + " '" + row.mac +
                                   "' is not six hexadecimal octets between dashes or colons");
            else if (const auto [other, added] = byMac.try_emplace(*mac, &row); !added)
                problems.push_back(LineName(row) + ": " + columns.mac + " " + row.mac + " is also planned on line " +
                                   std::to_string(other->second->line));
        }
        const auto address = ParseIpv4(row.address);
        if (!address) {
            problems.push_back("line " + std::to_string(row.line) + ": " + columns.address + " '" + row.address +
                               "' is not four decimal octets 0-255");
        } else if (const auto [other, added] = byAddress.try_emplace(*address, &row); !added) {
            problems.push_back(LineName(row) + ": the same device is planned on line " +
                               std::to_string(other->second->line));
        }
        if (const auto newAddress = ParseIpv4(row.newAddress)) {
            if (const auto [other, added] = byNewAddress.try_emplace(*newAddress, &row); !added)
                problems.push_back(LineName(row) + ": " + columns.newAddress + " " + row.newAddress +
                                   " is also planned for " + other->second->address + " on line " +
                                   std::to_string(other->second->line));
        }
    }
    // A device planned to take the address another device of the plan holds now: the two would answer on
    // one address if that other device were not moved first, and a plan has no order.
    for (const PlanRow& row : rows) {
        const auto newAddress = ParseIpv4(row.newAddress);
        const auto address = ParseIpv4(row.address);
        if (!newAddress || newAddress == address)
            continue;
        if (const auto holder = byAddress.find(*newAddress); holder != byAddress.end())
            problems.push_back(LineName(row) + ": " + columns.newAddress + " " + row.newAddress +
                               " is where the device of line " + std::to_string(holder->second->line) + " is now");
    }
    return problems;
}

}  // namespace korva::ctl
