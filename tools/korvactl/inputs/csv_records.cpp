#include "tools/korvactl/inputs/csv_records.h"

#include <algorithm>
#include <string_view>

namespace korva::ctl {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string Trimmed(const std::string& text) {
    const auto first = std::find_if_not(text.begin(), text.end(), IsBlank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), IsBlank).base();
    return first < last ? std::string(first, last) : std::string();
}

}  // namespace

CsvRecords::CsvRecords(std::istream& in) : in_(in) {
    for (const char expected : kByteOrderMark) {
        if (in_.peek() != static_cast<unsigned char>(expected))
            break;
        in_.get();
    }
    FindSeparator();
}

int CsvRecords::Get() {
    if (lookaheadAt_ < lookahead_.size())
        return static_cast<unsigned char>(lookahead_[lookaheadAt_++]);
    return in_.get();
}

// Reads lines until one holds something before its comment, and keeps that one (as much of it as a
// record may hold) to be parsed next; the blank and comment lines before it are only counted.
void CsvRecords::FindSeparator() {
    const auto hasField = [](std::string_view line) {
        line = line.substr(0, line.find('#'));
        return std::any_of(line.begin(), line.end(), [](char c) { return !IsBlank(c) && c != '\n'; });
    };
    for (int c = in_.get(); c != std::char_traits<char>::eof(); c = in_.get()) {
        lookahead_ += static_cast<char>(c);
        if (c == '\n' && !hasField(lookahead_)) {
            ++line_;
            lookahead_.clear();
        } else if (c == '\n' || lookahead_.size() == kLongestRecord) {
            break;
        }
    }
    const auto count = [line = std::string_view(lookahead_)](char separator) {
        std::size_t found = 0;
        bool quoted = false;
        for (const char c : line.substr(0, line.find('\n'))) {
            if (c == '"')
                quoted = !quoted;
            else if (!quoted && c == '#')
                break;
            found += !quoted && c == separator ? 1 : 0;
        }
        return found;
    };
    std::size_t most = count(',');
    for (const char candidate : {';', '\t'}) {
        if (const std::size_t found = count(candidate); found > most) {
            separator_ = candidate;
            most = found;
        }
    }
}

std::optional<CsvRecord> CsvRecords::Next() {
    constexpr int kEnd = std::char_traits<char>::eof();
    int c = Get();
    if (c == kEnd)
        return std::nullopt;
    CsvRecord record;
    record.line = line_;
    std::string field;
    std::size_t length = 0;
    bool quoted = false;     // inside a quoted field
    bool wasQuoted = false;  // the field began with a quote: blanks before it are not its text
    bool comment = false;
    const auto endField = [&] {
        if (!record.tooLong)
            record.fields.push_back(Trimmed(field));
        field.clear();
        wasQuoted = false;
    };
    for (; c != kEnd; c = Get()) {
        if (c == '\n')
            ++line_;
        if (++length > kLongestRecord && !record.tooLong) {
            record.tooLong = true;
            record.fields.clear();
        }
        if (quoted) {
            if (c != '"') {
                field += static_cast<char>(c);
            } else if (lookaheadAt_ >= lookahead_.size() ? in_.peek() == '"' : lookahead_[lookaheadAt_] == '"') {
                field += '"';  // a doubled quote is one quote of the text
                Get();
            } else {
                quoted = false;
            }
        } else if (c == '\n') {
            break;
        } else if (comment) {
            continue;
        } else if (c == '#') {
            comment = true;
        } else if (c == separator_) {
            endField();
        } else if (c == '"' && !wasQuoted && Trimmed(field).empty()) {
            quoted = wasQuoted = true;
            field.clear();
        } else {
            field += static_cast<char>(c);
        }
        if (record.tooLong)
            field.clear();
    }
    record.openQuote = quoted;
    endField();
    while (!record.fields.empty() && record.fields.back().empty())
        record.fields.pop_back();
    return record;
}

}  // namespace korva::ctl
