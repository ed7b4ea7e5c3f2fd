// TableWriter: the decoded reply of every record, in columns a person can scan.
#include "protocol/reply_format.h"
#include "tools/common/time_text.h"
#include "tools/korvactl/output_error.h"
#include "tools/korvactl/record_json.h"
#include "tools/korvactl/record_writers.h"

#include <ostream>
#include <sstream>
#include <utility>
#include <vector>

namespace korva::ctl {
namespace {

using Json = nlohmann::ordered_json;

struct Column {
    const char* title;
    int width;
};

using Cells = std::vector<std::pair<Column, std::string>>;

constexpr Column kAddress{"ADDRESS", 15};
constexpr Column kTime{"TIME", 12};

std::string YesNo(const Json& value) {
    return value.get<bool>() ? "yes" : "no";
}
std::string Link(const Json& value) {
    return value.is_null() ? "-" : value.get<bool>() ? "up" : "down";
}

std::string Volts(int tenths) {
    std::ostringstream text;
    text << tenths / 10 << '.' << (tenths < 0 ? -tenths : tenths) % 10;
    return text.str();
}

Cells StatusCells(const Json& status) {
    return {{{"TEMP_C", 6}, std::to_string(status["temperature"].get<int>())},
            {{"HUM_%", 5}, std::to_string(status["humidity"].get<int>())},
            {{"BATT_V", 6}, Volts(status["battery_tenths"].get<int>())},
            {{"PRESENCE", 8}, YesNo(status["presence"])},
            {{"RESET_EC", 8}, YesNo(status["reset_state"])},
            {{"LINK1", 5}, Link(status["link1"])},
            {{"LINK2", 5}, Link(status["link2"])},
            {{"LINK3", 5}, Link(status["link3"])},
            {{"ECHO", 8}, std::to_string(status["echo"].get<int>())},
            {{"CHANGED", 7}, YesNo(status["changed"])}};
}

Cells ParameterCells(const Json& parameters) {
    return {{{"DEVICE_IP", 15}, parameters["address"].get<std::string>()},
            {{"MASK", 15}, parameters["mask"].get<std::string>()},
            {{"GATEWAY", 15}, parameters["gateway"].get<std::string>()},
            {{"MAC", 17}, parameters["mac"].get<std::string>()},
            {{"FIRMWARE", 19}, parameters["firmware"].get<std::string>()},
            {{"CHANGED", 7}, YesNo(parameters["changed"])}};
}

Cells KindCells(const Json& reply) {
    const std::string keyword = reply["keyword"].get<std::string>();
    const ReplyKind kind = KindOfKeyword(keyword);
    if (kind == ReplyKind::kStatus)
        return StatusCells(reply["status"]);
    if (kind == ReplyKind::kParameters)
        return ParameterCells(reply["parameters"]);
    if (kind == ReplyKind::kReset) {
        const std::string commands =
            reply.contains("reset_commands") ? std::to_string(reply["reset_commands"].get<int>()) : "-";
        return {{{"RESET", 5}, reply["reset_ack"].get<bool>() ? "ack" : "no"},
                {{"COMMANDS", 8}, commands},
                {{"CHANGED", 7}, YesNo(reply["changed_flag"])}};
    }
    if (kind == ReplyKind::kWrite)
        return {{{"WRITE", 8}, "accepted"}, {{"CHANGED", 7}, YesNo(reply["changed_flag"])}};
    return {{{"KEYWORD", 7}, keyword}, {{"REPLY", 0}, reply["plain"].get<std::string>()}};
}

void PrintLine(std::ostream& out, const std::vector<std::string>& texts, const std::vector<int>& widths) {
    std::string line;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0)
            line += "  ";
        line += texts[i];
        if (i + 1 < texts.size() && static_cast<int>(texts[i].size()) < widths[i])
            line.append(static_cast<std::size_t>(widths[i]) - texts[i].size(), ' ');
    }
    out << line << '\n';
}

}  // namespace

void TableWriter::Write(const Record& record) {
    const Json json = RecordToJson(record);
    Cells cells{{kAddress, record.name}, {kTime, tools::TimeText(record.at, tools::TimeStyle::kLocalClock)}};
    if (!record.reply) {
        cells.push_back({{"", 0}, "error: " + record.error});
    } else {
        for (auto& cell : KindCells(json))
            cells.push_back(std::move(cell));
    }

    std::vector<std::string> titles;
    std::vector<std::string> values;
    std::vector<int> widths;
    for (const auto& [column, value] : cells) {
        titles.emplace_back(column.title);
        values.push_back(value);
        widths.push_back(column.width);
    }
    if (record.reply) {
        const std::string kind = json["keyword"].get<std::string>();
        if (kind != headerShown_) {
            PrintLine(out_, titles, widths);
            headerShown_ = kind;
        }
    }
    PrintLine(out_, values, widths);
    FlushOrThrow(out_);
}

}  // namespace korva::ctl
