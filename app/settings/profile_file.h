#pragma once
// The settings file, read and written the way the Windows profile functions do, because technicians
// carry these files over from Windows machines:
// - "[section]" header lines and "key=value" lines; section and key names match in any letter case
//   (ASCII and the Windows-1252 accented letters);
// - blanks around names and values are not part of them; values are otherwise taken as they stand
//   (no quoting, no escapes); bytes are Windows-1252 and passed through untouched;
// - lines starting with ';', lines without '=' and keys before the first section are ignored;
// - the first section of a name, and the first key of a name within it, is the one that counts.
// Writing keeps every other line of the file byte for byte, including comments, order and each
// line's own line end, and replaces the file atomically.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korva::app {

class ProfileFile {
public:
    // Never fails: a missing, unreadable or odd file reads as far as it can, else as empty.
    static ProfileFile Load(const std::string& path);

    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // Replaces the value in place, or adds the key at the end of its section, or adds the section
    // at the end of the file. Line breaks inside the value become blanks, since they would cut it.
    // Section names containing ']' and key names containing '=' (or either containing a line break)
    // cannot be stored and throw std::invalid_argument.
    void SetValue(std::string_view section, std::string_view key, std::string_view value);

    // Writes a temporary file beside path, flushes it to disk and renames it over path, so the file
    // is either the old one or the new one, never half written. Throws
    // std::runtime_error("Unable to write to " + path) on any failure, and also when the file
    // existed but could not be read in full at Load, rather than destroy what was not read.
    void SaveAtomically(const std::string& path) const;

    // The file's bytes as SaveAtomically would write them.
    std::string Text() const;

private:
    struct Line {
        std::string text;  // without its line end
        std::string end;   // "\r\n", "\n", or "" for a last line cut short
    };

    static ProfileFile Parse(std::string_view bytes);
    // Index of the first section header of that name, or lines_.size().
    std::size_t FindSection(std::string_view section) const;
    // One past the last line of the section whose header is at index header.
    std::size_t SectionEnd(std::size_t header) const;
    std::string NewLineEnd() const;
    void InsertLine(std::size_t index, std::string text);

    std::vector<Line> lines_;
    bool fullyRead_ = true;  // false when a file existed but was unreadable or too big to read whole
};

}  // namespace korva::app
