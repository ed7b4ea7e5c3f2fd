// Opening input files, device lists, and captured datagram lines.
#include "tools/korvactl/inputs/input_file.h"

#include "protocol/numbers.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <istream>

namespace korva::ctl {

namespace {

// errno as text; fallback when the library left errno unset.
std::string Reason(int fallback) {
    return std::strerror(errno != 0 ? errno : fallback);
}

}  // namespace

std::optional<std::ifstream> OpenInputFile(const std::string& path, std::string& reason) {
    // Asked first: Linux opens a directory as a stream that reads nothing, Windows refuses it as access
    // denied, and either way it is the folder that is wrong.
    struct stat status {};
    if (stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        reason = std::strerror(EISDIR);
        return std::nullopt;
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = Reason(ENOENT);
        return std::nullopt;
    }
    errno = 0;  // so that ReadError sees the reading's own error
    return in;
}

std::string ReadError(const std::ifstream& in) {
    return in.bad() ? Reason(EIO) : std::string();
}

std::string WithoutByteOrderMark(const std::string& firstLine) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    return std::string_view(firstLine).substr(0, kByteOrderMark.size()) == kByteOrderMark
               ? firstLine.substr(kByteOrderMark.size())
               : firstLine;
}

std::vector<std::string> ReadAddressLines(std::istream& in) {
    std::vector<std::string> names;
    std::string line;
    for (bool firstLine = true; std::getline(in, line); firstLine = false) {
        if (firstLine)
            line = WithoutByteOrderMark(line);
        line.resize(std::min(line.find('#'), line.size()));
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos)
            continue;
        const std::size_t last = line.find_last_not_of(" \t\r");
        names.push_back(line.substr(first, last - first + 1));
    }
    return names;
}

std::optional<std::vector<std::string>> CollectDeviceNames(const std::vector<std::string>& names,
                                                           const std::vector<std::string>& files,
                                                           const language::Catalogue& texts, std::string& error) {
    std::vector<std::string> all = names;
    for (const std::string& file : files) {
        std::string reason;
        if (auto in = OpenInputFile(file, reason)) {
            for (std::string& name : ReadAddressLines(*in))
                all.push_back(std::move(name));
            reason = ReadError(*in);
        }
        if (!reason.empty()) {
            error = texts.Text({"ctl.device_list_unreadable", {{"file", file}, {"reason", reason}}});
            return std::nullopt;
        }
    }
    return all;
}

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == ':' || c == '\r';
}

}  // namespace

std::optional<std::string> ParseHexLine(std::string_view line) {
    std::string bytes;
    int high = -1;  // the first digit of a pair, waiting for its second
    for (char c : line) {
        if (IsSeparator(c)) {
            if (high >= 0)
                return std::nullopt;  // a lone digit between separators
            continue;
        }
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        if (high < 0) {
            high = digit;
        } else {
            bytes += static_cast<char>(high * 16 + digit);
            high = -1;
        }
    }
    if (high >= 0)
        return std::nullopt;
    return bytes;
}

}  // namespace korva::ctl
