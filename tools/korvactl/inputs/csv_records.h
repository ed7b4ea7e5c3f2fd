#pragma once
// The records of a CSV file as spreadsheets save them (RFC 4180): fields between one separator, a field
// in double quotes holding separators, line breaks and doubled quotes as text. A plan comes this way.
#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace korva::ctl {

struct CsvRecord {
    int line = 0;  // where the record starts, counted from 1
    // Trimmed of blanks, the empty ones at the end left out (a spreadsheet saves its empty columns):
    // none for a blank line or a row of separators alone.
    std::vector<std::string> fields;
    bool tooLong = false;    // longer than CsvRecords::kLongestRecord: its fields are not kept
    bool openQuote = false;  // the file ended inside a quoted field
};

// Reads a record at a time, keeping at most kLongestRecord bytes of one: however long a line of a file,
// what is held stays that small. Outside quotes "#" starts a comment to the end of the line; a UTF-8 byte
// order mark before the first line is skipped; CR LF ends a line as LF does.
class CsvRecords {
public:
    static constexpr std::size_t kLongestRecord = 4096;

    explicit CsvRecords(std::istream& in);

    // The separator: of ';' and tab, the one the first line with a field holds more often than commas,
    // outside quotes; else ','. Spreadsheets write the separator of their locale: a semicolon where the
    // decimal mark is a comma, as in Portuguese.
    char Separator() const { return separator_; }
    // The next record, blank ones included; nullopt at the end of the file.
    std::optional<CsvRecord> Next();

private:
    int Get();
    void FindSeparator();

    std::istream& in_;
    std::string lookahead_;  // the first line with a field, read to find the separator, not parsed yet
    std::size_t lookaheadAt_ = 0;
    char separator_ = ',';
    int line_ = 1;
};

}  // namespace korva::ctl
