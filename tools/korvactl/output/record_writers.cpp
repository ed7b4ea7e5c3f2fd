// The failure echo, and the checks that turn a failed write into OutputError.
#include "tools/korvactl/output/record_writers.h"
#include "tools/common/terminal_text.h"

#include <cerrno>
#include <cstring>
#include <ostream>

namespace korva::ctl {

void JsonLinesWriter::Write(const Record& record) {
    // A device name typed by the user need not be UTF-8; replacing beats refusing to print the line.
    out_ << RecordToJson(record).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    ThrowIfFailed(out_);
}

void JsonLinesWriter::Flush() {
    FlushOrThrow(out_);
}

namespace {

// Distinct failures remembered for counting: a device list's worth, kept small whatever runs.
constexpr std::size_t kFailuresRemembered = 4096;

}  // namespace

void FailureEcho::Write(const Record& record) {
    if (!record.error.Empty()) {
        std::string key = record.name;
        key.append(1, '\0').append(language::English().Text(record.error));
        if (const auto told = told_.find(key); told != told_.end()) {
            ++told->second.repeats;
        } else {
            if (told_.size() < kFailuresRemembered)
                told_.emplace(std::move(key), Told{record.name, record.error, 0});
            progress_.Hide();
            err_ << "korvactl " << command_ << ": "
                 << tools::TerminalText(
                        texts_.Text({"ctl.failure.echo", {{"device", record.name}, {"failure", record.error}}}))
                 << '\n'
                 << std::flush;
        }
    }
    progress_.BeforeOutput();
    next_.Write(record);
}

void FailureEcho::TellRepeats() const {
    for (const auto& [key, told] : told_) {
        if (told.repeats > 0)
            err_ << "korvactl " << command_ << ": "
                 << tools::TerminalText(
                        texts_.Text({"ctl.failure.repeated",
                                     {{"device", told.name}, {"failure", told.error}, {"count", told.repeats}}}))
                 << '\n';
    }
}

void ThrowIfFailed(const std::ostream& out) {
    // Checked right after each write, so errno still holds the failed write's reason.
    if (!out)
        throw OutputError(errno != 0 ? std::strerror(errno) : "write error");
}

void FlushOrThrow(std::ostream& out) {
    out.flush();
    ThrowIfFailed(out);
}

}  // namespace korva::ctl
