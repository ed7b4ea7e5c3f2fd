// TableWriter: the decoded reply of every record, in columns a person can scan.
#include "protocol/cp1252.h"
#include "tools/common/terminal_text.h"
#include "tools/common/time_text.h"
#include "tools/korvactl/output/record_writers.h"

#include <optional>
#include <ostream>
#include <sstream>
#include <utility>
#include <vector>

namespace korva::ctl {

namespace {

struct Column {
    const char* title;
    int width;
};

using Cells = std::vector<std::pair<Column, std::string>>;

constexpr Column kAddress{"ADDRESS", 15};
constexpr Column kTime{"TIME", 12};

std::string YesNo(bool value) {
    return value ? "yes" : "no";
}
std::string Link(const std::optional<bool>& up) {
    return !up ? "-" : *up ? "up" : "down";
}

std::string Volts(int tenths) {
    std::ostringstream text;
    text << tenths / 10 << '.' << (tenths < 0 ? -tenths : tenths) % 10;
    return text.str();
}

Cells StatusCells(const StatusReading& status) {
    return {{{"TEMP_C", 6}, std::to_string(status.temperature)},
            {{"HUM_%", 5}, std::to_string(status.humidity)},
            {{"BATT_V", 6}, Volts(status.batteryTenths)},
            {{"PRESENCE", 8}, YesNo(status.presence)},
            {{"RESET_EC", 8}, YesNo(status.resetState)},
            {{"LINK1", 5}, Link(status.link1)},
            {{"LINK2", 5}, Link(status.link2)},
            {{"LINK3", 5}, Link(status.link3)},
            {{"ECHO", 8}, std::to_string(status.echo)},
            {{"CHANGED", 7}, YesNo(status.changed)}};
}

Cells ParameterCells(const ParameterReading& parameters) {
    return {{{"DEVICE_IP", 15}, Cp1252ToUtf8(parameters.address)}, {{"MASK", 15}, Cp1252ToUtf8(parameters.mask)},
            {{"GATEWAY", 15}, Cp1252ToUtf8(parameters.gateway)},   {{"MAC", 17}, Cp1252ToUtf8(parameters.mac)},
            {{"FIRMWARE", 19}, Cp1252ToUtf8(parameters.firmware)}, {{"CHANGED", 7}, YesNo(parameters.changed)}};
}

Cells KindCells(const ReplyReading& reply, const std::optional<int>& resetCommands) {
    if (reply.status)
        return StatusCells(*reply.status);
    if (reply.parameters)
        return ParameterCells(*reply.parameters);
    if (reply.resetAck) {
        return {{{"RESET", 5}, *reply.resetAck ? "ack" : "no"},
                {{"COMMANDS", 8}, resetCommands ? std::to_string(*resetCommands) : "-"},
                {{"CHANGED", 7}, YesNo(reply.changedFlag)}};
    }
    if (reply.kind == ReplyKind::kWrite)
        return {{{"WRITE", 8}, "accepted"}, {{"CHANGED", 7}, YesNo(reply.changedFlag)}};
    return {{{"KEYWORD", 7}, Cp1252ToUtf8(reply.keyword)}, {{"REPLY", 0}, Cp1252ToUtf8(reply.plain)}};
}

void PrintLine(std::ostream& out, const std::vector<std::string>& texts, const std::vector<int>& widths) {
    std::string line;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0)
            line += "  ";
        const std::string text = tools::TerminalText(texts[i]);
        line += text;
        if (i + 1 < texts.size() && static_cast<int>(text.size()) < widths[i])
            line.append(static_cast<std::size_t>(widths[i]) - text.size(), ' ');
    }
    out << line << '\n';
}

// A record's cells, with the keyword of its reply (empty for a failure), which decides the header.
Cells RecordCells(const Record& record, std::string& keyword) {
    Cells cells{{kAddress, record.name}, {kTime, tools::TimeText(record.at, tools::TimeStyle::kLocalClock)}};
    // The words of JSON: a table is the same in every language.
    if (!record.error.Empty()) {
        cells.push_back({{"", 0}, "error: " + language::English().Text(record.error)});
        return cells;
    }
    const ReplyReading reply = ReadReply(*record.reply);
    keyword = reply.keyword;
    for (auto& cell : KindCells(reply, record.resetCommands))
        cells.push_back(std::move(cell));
    return cells;
}

void PrintCells(std::ostream& out, const Cells& cells, bool titles) {
    std::vector<std::string> texts;
    std::vector<int> widths;
    for (const auto& [column, value] : cells) {
        texts.push_back(titles ? column.title : value);
        widths.push_back(column.width);
    }
    PrintLine(out, texts, widths);
}

}  // namespace

void TableWriter::Write(const Record& record) {
    std::string keyword;
    const Cells cells = RecordCells(record, keyword);
    if (!keyword.empty() && keyword != headerShown_) {
        PrintCells(out_, cells, true);
        headerShown_ = keyword;
    }
    PrintCells(out_, cells, false);
    ThrowIfFailed(out_);
}

void TableWriter::Begin(ReplyKind kind) {
    PrintCells(out_, RecordCells(SampleRecord(kind), headerShown_), true);
    FlushOrThrow(out_);
}

void TableWriter::Flush() {
    FlushOrThrow(out_);
}

}  // namespace korva::ctl
