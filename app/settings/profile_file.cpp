#include "app/settings/profile_file.h"

#include <algorithm>
#include <stdexcept>

#include "app/settings/atomic_file.h"
#include "app/settings/file_prefix.h"

namespace korva::app {
namespace {

// A settings file is a few hundred bytes; anything far bigger is damaged and is read only this far.
constexpr std::size_t kMaxReadBytes = 8u << 20;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Windows-1252 upper case to lower case: ASCII, the accented letters À..Þ (except ×), Š Œ Ž Ÿ.
unsigned char FoldCase(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return static_cast<unsigned char>(c + 32);
    switch (c) {
        case 0x8A:
            return 0x9A;
        case 0x8C:
            return 0x9C;
        case 0x8E:
            return 0x9E;
        case 0x9F:
            return 0xFF;
        default:
            return c;
    }
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

struct ParsedLine {
    enum Kind { kOther, kSection, kKey } kind = kOther;
    std::string_view name;
    std::string_view value;
    std::size_t valueStart = 0;  // where the value begins in the line, for a key
};

ParsedLine ParseLine(std::string_view line) {
    ParsedLine parsed;
    const std::string_view content = Trim(line);
    if (content.empty() || content.front() == ';')
        return parsed;
    if (content.front() == '[') {
        const auto close = content.find(']');
        if (close != std::string_view::npos) {
            parsed.kind = ParsedLine::kSection;
            parsed.name = Trim(content.substr(1, close - 1));
        }
        return parsed;
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos)
        return parsed;
    parsed.kind = ParsedLine::kKey;
    parsed.name = Trim(line.substr(0, equals));
    parsed.value = Trim(line.substr(equals + 1));
    parsed.valueStart = equals + 1;
    while (parsed.valueStart < line.size() && IsBlank(line[parsed.valueStart]))
        ++parsed.valueStart;
    return parsed;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != text.npos;
}

}  // namespace

ProfileFile ProfileFile::Load(const std::string& path) {
    bool complete = true;
    ProfileFile file = Parse(ReadFilePrefix(path, kMaxReadBytes, complete));
    file.fullyRead_ = complete;
    return file;
}

ProfileFile ProfileFile::Parse(std::string_view bytes) {
    ProfileFile file;
    while (!bytes.empty()) {
        const auto newline = bytes.find('\n');
        Line line;
        if (newline == std::string_view::npos) {
            line.text = bytes;
            bytes = {};
        } else {
            const bool crlf = newline > 0 && bytes[newline - 1] == '\r';
            line.text = bytes.substr(0, crlf ? newline - 1 : newline);
            line.end = crlf ? "\r\n" : "\n";
            bytes.remove_prefix(newline + 1);
        }
        file.lines_.push_back(std::move(line));
    }
    return file;
}

std::string ProfileFile::Text() const {
    std::string bytes;
    for (const Line& line : lines_)
        bytes += line.text + line.end;
    return bytes;
}

std::size_t ProfileFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        std::string_view text = lines_[i].text;
        if (i == 0 && text.starts_with(kUtf8Bom))
            text.remove_prefix(kUtf8Bom.size());
        const ParsedLine parsed = ParseLine(text);
        if (parsed.kind == ParsedLine::kSection && SameName(parsed.name, section))
            return i;
    }
    return lines_.size();
}

std::size_t ProfileFile::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && ParseLine(lines_[i].text).kind != ParsedLine::kSection)
        ++i;
    return i;
}

std::optional<std::string> ProfileFile::Value(std::string_view section, std::string_view key) const {
    const std::size_t header = FindSection(section);
    if (header == lines_.size())
        return std::nullopt;
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const ParsedLine parsed = ParseLine(lines_[i].text);
        if (parsed.kind == ParsedLine::kKey && SameName(parsed.name, key)) {
            return std::string(parsed.value);
        }
    }
    return std::nullopt;
}

void ProfileFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    if (HasLineBreak(section) || section.find(']') != section.npos || HasLineBreak(key) || key.find('=') != key.npos ||
        Trim(key).empty()) {
        throw std::invalid_argument("Cannot store key \"" + std::string(key) + "\" in section \"" +
                                    std::string(section) + "\"");
    }
    std::string flatValue(value);
    for (char& c : flatValue) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }

    std::size_t header = FindSection(section);
    if (header == lines_.size()) {
        if (!lines_.empty() && !Trim(lines_.back().text).empty())
            InsertLine(lines_.size(), "");
        InsertLine(lines_.size(), "[" + std::string(section) + "]");
        InsertLine(lines_.size(), std::string(key) + "=" + flatValue);
        return;
    }
    const std::size_t end = SectionEnd(header);
    std::size_t afterLastKey = header + 1;
    for (std::size_t i = header + 1; i < end; ++i) {
        const ParsedLine parsed = ParseLine(lines_[i].text);
        if (parsed.kind != ParsedLine::kKey)
            continue;
        if (SameName(parsed.name, key)) {
            // Keeps the key's own spelling and spacing; only the value changes.
            lines_[i].text = lines_[i].text.substr(0, parsed.valueStart) + flatValue;
            return;
        }
        afterLastKey = i + 1;
    }
    InsertLine(afterLastKey, std::string(key) + "=" + flatValue);
}

void ProfileFile::SaveAtomically(const std::string& path) const {
    if (!fullyRead_)
        throw std::runtime_error("Unable to write to " + path);
    WriteFileAtomically(path, Text());
}

// New lines take the line end the file already uses; a new file gets the Windows one.
std::string ProfileFile::NewLineEnd() const {
    for (const Line& line : lines_) {
        if (!line.end.empty())
            return line.end;
    }
    return "\r\n";
}

void ProfileFile::InsertLine(std::size_t index, std::string text) {
    const std::string end = NewLineEnd();
    // A last line cut short needs its line end before anything can follow it.
    if (index == lines_.size() && !lines_.empty() && lines_.back().end.empty()) {
        lines_.back().end = end;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), Line{std::move(text), end});
}

}  // namespace korva::app
