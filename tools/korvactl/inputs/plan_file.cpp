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

using language::Message;

const Message& BoxName(ParameterBox box, const ParameterNames& names) {
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

language::Key ProblemKey(ParameterFault fault) {
    switch (fault) {
        case ParameterFault::kNotDottedQuad:
            return "ctl.problem.not_dotted_quad";
        case ParameterFault::kMaskNotContiguous:
            return "ctl.problem.mask_not_contiguous";
        case ParameterFault::kMaskLeavesNoRoom:
            return "ctl.problem.mask_leaves_no_room";
        case ParameterFault::kNetworkAddress:
            return "ctl.problem.network_address";
        case ParameterFault::kBroadcastAddress:
            return "ctl.problem.broadcast_address";
        case ParameterFault::kGatewayOutsideSubnet:
            return "ctl.problem.gateway_outside_subnet";
        case ParameterFault::kGatewayIsAddress:
            return "ctl.problem.gateway_is_address";
        case ParameterFault::kThisNetwork:
            return "ctl.problem.this_network";
        case ParameterFault::kMulticast:
            return "ctl.problem.multicast";
        case ParameterFault::kReserved:
            return "ctl.problem.reserved";
        case ParameterFault::kLinkLocal:
            return "ctl.problem.link_local";
        case ParameterFault::kLoopback:
            break;
    }
    return "ctl.problem.loopback";
}

}  // namespace

std::vector<std::string> ParameterProblemTexts(const NewParameters& parameters, CurrentPlace current,
                                               const language::Catalogue& texts, const ParameterNames& names) {
    std::vector<std::string> problems;
    for (const ParameterProblem& problem : CheckNewParameters(parameters, current))
        problems.push_back(texts.Text({ProblemKey(problem.fault),
                                       {{"what", BoxName(problem.box, names)},
                                        {"value", ValueIn(parameters, problem.box)},
                                        {"address", parameters.address},
                                        {"mask", parameters.mask}}}));
    return problems;
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

Message& WordOf(PlanColumns& columns, Column column) {
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

Message SeparatorName(char separator) {
    return separator == '\t' ? Message("ctl.plan.tab") : Message::Verbatim(std::string("'") + separator + "'");
}

// The columns of a plan in the order of its fields, and the words they go by.
struct Layout {
    std::vector<std::optional<Column>> fields = {Column::kAddress, Column::kNewAddress, Column::kMask, Column::kGateway,
                                                 Column::kMac};
    PlanColumns words;

    // "address,new_address,mask,gateway[,mac]"
    std::string Expected(const language::Catalogue& texts) const {
        std::string text;
        for (const auto& column : fields) {
            if (!column)
                continue;
            PlanColumns named = words;
            const std::string word = texts.Text(WordOf(named, *column));
            text += *column == Column::kMac ? "[" + std::string(text.empty() ? "" : ",") + word + "]"
                                            : (text.empty() ? "" : ",") + word;
        }
        return text;
    }
};

// The header's layout when the record is one: any of its fields names a column. Problems with it (a
// word that names no column, a column twice, one missing) go to problems.
std::optional<Layout> HeaderLayout(const CsvRecord& record, const language::Catalogue& texts,
                                   std::vector<std::string>& problems) {
    if (std::none_of(record.fields.begin(), record.fields.end(),
                     [](const std::string& field) { return ColumnNamed(field).has_value(); }))
        return std::nullopt;
    const auto problem = [&](Message what) {
        problems.push_back(texts.Text({"ctl.plan.line", {{"line", record.line}, {"problem", std::move(what)}}}));
    };
    Layout layout;
    layout.fields.clear();
    std::vector<bool> named(kColumns, false);
    for (const std::string& field : record.fields) {
        const auto column = ColumnNamed(field);
        layout.fields.push_back(column);  // a column without a word is the spreadsheet's, not the plan's
        if (!column) {
            if (!field.empty())
                problem({"ctl.plan.unknown_column", {{"word", field}}});
        } else if (named[static_cast<std::size_t>(*column)]) {
            problem({"ctl.plan.column_twice", {{"column", field}}});
        } else {
            named[static_cast<std::size_t>(*column)] = true;
            WordOf(layout.words, *column) = Message::Verbatim(field);
        }
    }
    for (const Column required : {Column::kAddress, Column::kNewAddress, Column::kMask, Column::kGateway}) {
        if (!named[static_cast<std::size_t>(required)])
            problem({"ctl.plan.column_missing", {{"column", WordOf(layout.words, required)}}});
    }
    return layout;
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

Plan ReadPlan(std::istream& in, const language::Catalogue& texts, std::size_t rowLimit) {
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
        const auto problem = [&](Message what) {
            plan.problems.push_back(
                texts.Text({"ctl.plan.line", {{"line", record->line}, {"problem", std::move(what)}}}));
        };
        if (std::exchange(first, false)) {
            if (auto header = HeaderLayout(*record, texts, plan.problems)) {
                layout = std::move(*header);
                plan.columns = layout.words;
                continue;
            }
        }
        if (record->tooLong) {
            problem({"ctl.plan.too_long", {{"length", CsvRecords::kLongestRecord}}});
            continue;
        }
        if (record->openQuote) {
            problem({"ctl.plan.open_quote"});
            continue;
        }
        PlanRow row{record->line, {}, {}, {}, {}, {}};
        std::vector<std::string> values(kColumns);
        std::vector<bool> given(kColumns, false);
        const std::size_t count = record->fields.size();
        for (std::size_t i = 0; i < std::min(count, layout.fields.size()); ++i) {
            if (const auto column = layout.fields[i]) {
                values[static_cast<std::size_t>(*column)] = record->fields[i];
                given[static_cast<std::size_t>(*column)] = true;
            }
        }
        const bool fits = count <= layout.fields.size() &&
                          std::all_of(given.begin(), given.begin() + static_cast<std::ptrdiff_t>(Column::kMac),
                                      [](bool isGiven) { return isGiven; });
        if (!fits) {
            problem({"ctl.plan.fields",
                     {{"layout", layout.Expected(texts)},
                      {"separator", SeparatorName(records.Separator())},
                      {"count", count}}});
            continue;
        }
        row.address = values[static_cast<std::size_t>(Column::kAddress)];
        row.newAddress = values[static_cast<std::size_t>(Column::kNewAddress)];
        row.mask = values[static_cast<std::size_t>(Column::kMask)];
        row.gateway = values[static_cast<std::size_t>(Column::kGateway)];
        row.mac = values[static_cast<std::size_t>(Column::kMac)];
        plan.rows.push_back(std::move(row));
    }
    return plan;
}

std::vector<std::string> CheckPlan(const std::vector<PlanRow>& rows, const language::Catalogue& texts,
                                   const PlanColumns& columns) {
    std::vector<std::string> problems;
    const auto problem = [&](const PlanRow& row, Message what) {
        problems.push_back(
            texts.Text({"ctl.plan.row", {{"line", row.line}, {"address", row.address}, {"problem", std::move(what)}}}));
    };
    std::map<std::uint32_t, const PlanRow*> byAddress;
    std::map<std::uint32_t, const PlanRow*> byNewAddress;
    std::map<std::string, const PlanRow*> byMac;
    const ParameterNames names{columns.newAddress, columns.mask, columns.gateway};
    for (const PlanRow& row : rows) {
        const CurrentPlace current = PlaceOf(ParseIpv4(row.address).value_or(0));
        for (std::string& text : ParameterProblemTexts({row.newAddress, row.mask, row.gateway}, current, texts, names))
            problem(row, Message::Verbatim(std::move(text)));
        if (!row.mac.empty()) {
            const auto mac = CanonicalMac(row.mac);
            if (!mac)
                problem(row, {"ctl.plan.bad_mac", {{"column", columns.mac}, {"mac", row.mac}}});
            else if (const auto [other, added] = byMac.try_emplace(*mac, &row); !added)
                problem(row, {"ctl.plan.mac_twice",
                              {{"column", columns.mac}, {"mac", row.mac}, {"other", other->second->line}}});
        }
        const auto address = ParseIpv4(row.address);
        if (!address) {
            // Not "line 4 (x.y)": the address is what is wrong.
            problems.push_back(
                texts.Text({"ctl.plan.line",
                            {{"line", row.line},
                             {"problem", Message("ctl.plan.bad_address",
                                                 {{"column", columns.address}, {"address", row.address}})}}}));
        } else if (const auto [other, added] = byAddress.try_emplace(*address, &row); !added) {
            problem(row, {"ctl.plan.device_twice", {{"other", other->second->line}}});
        }
        if (const auto newAddress = ParseIpv4(row.newAddress)) {
            if (const auto [other, added] = byNewAddress.try_emplace(*newAddress, &row); !added)
                problem(row, {"ctl.plan.new_address_twice",
                              {{"column", columns.newAddress},
                               {"new_address", row.newAddress},
                               {"address", other->second->address},
                               {"other", other->second->line}}});
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
            problem(
                row,
                {"ctl.plan.new_address_held",
                 {{"column", columns.newAddress}, {"new_address", row.newAddress}, {"other", holder->second->line}}});
    }
    return problems;
}

}  // namespace korva::ctl
