#pragma once
// What korvactl prints: a record for each reply or failure, written as JSON lines or a table, apply's
// results, and the error that ends a command whose output cannot be written.
#include "language/catalogue.h"
#include "protocol/messages.h"
#include "protocol/reply_format.h"
#include "tools/korvactl/model/output_format.h"
#include "tools/korvactl/model/plan_row.h"
#include "tools/korvactl/model/wall_time.h"
#include "tools/korvactl/output/progress_line.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <iosfwd>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace korva::ctl {

// Output that cannot be written (a full disk, a closed standard output) ends the command with exit
// status 1: a script reading korvactl's output must not take silence for a result.
// what(): the system's reason, e.g. "No space left on device".
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws OutputError when out has failed, now or at an earlier write.
void ThrowIfFailed(const std::ostream& out);
// Flushes out, then ThrowIfFailed.
void FlushOrThrow(std::ostream& out);

// One line of korvactl's output: a device's reply, or why there is none.
struct Record {
    std::string name;                  // the device as the user named it
    WallTime at;                       // when the reply came, or when the command gave up
    std::optional<std::string> reply;  // the datagram's bytes
    // Set when there is no reply, or when the reply is cut short (IncompleteReply): a failure either way.
    // JSON, CSV and tables word it in English whatever the user's language; standard error in theirs.
    language::Message error;
    std::optional<int> resetCommands;  // for a reset: how many commands went out before the acknowledgement
};

class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void Write(const Record& record) = 0;
    // Sends on what was held back; throws OutputError when it cannot be written. korvactl calls it
    // whenever it is about to wait for the network, and at the end.
    virtual void Flush() {}
    // Writes and flushes the header the records of this kind will have, before any of them: a command
    // that changes devices learns that its output cannot be written before it touches one. Throws
    // OutputError. Nothing for an output without headers.
    virtual void Begin(ReplyKind) {}
};

// A record of a reply of the kind, with every field, as a writer lays out its header.
Record SampleRecord(ReplyKind kind);

// A received reply, decoded and interpreted once: what `korvactl` prints for every reply, as JSON or in
// a table.
// Texts are the device's own, Windows-1252; each output converts them as it needs.
struct ReplyReading {
    std::string plain;
    int offset = 0;
    int version = 0;
    std::string keyword;
    bool changedFlag = false;
    ReplyKind kind = ReplyKind::kUnknown;
    std::optional<StatusReading> status;         // kStatus
    std::optional<ParameterReading> parameters;  // kParameters
    std::optional<bool> resetAck;                // kReset
    // A status or parameter reply that ends before fields its reading needs: it has no reading, and its
    // fields are not taken for zeros.
    bool complete = true;
};

// "incomplete reply: the status reply ends before its echo number", for a reply of that kind cut short.
language::Message IncompleteReply(ReplyKind kind);

ReplyReading ReadReply(std::string_view datagram);

// Keys: plain, offset, version, keyword, changed_flag and, by keyword, status / parameters / reset_ack;
// for a reply cut short, error in place of the reading.
// Device text is converted to UTF-8 for JSON.
nlohmann::ordered_json ReplyToJson(const ReplyReading& reading);
nlohmann::ordered_json ReplyToJson(std::string_view datagram);

// A record as JSON: the decoded reply (the keys of `korvactl decode`) after "address" and
// "received_at", or "address", "failed_at" and "error".
nlohmann::ordered_json RecordToJson(const Record& record);

// The two output styles: JSON lines for scripts, a table for people. Both throw OutputError when the
// output cannot be written. Records are sent on by Flush, not one by one: a sweep of thousands of
// devices would otherwise make a system call per device.
class JsonLinesWriter : public RecordSink {
public:
    explicit JsonLinesWriter(std::ostream& out) : out_(out) {}
    void Write(const Record& record) override;
    void Flush() override;

private:
    std::ostream& out_;
};

// Fixed-width columns; a header line goes out whenever the kind of reply (and so the columns) changes.
class TableWriter : public RecordSink {
public:
    explicit TableWriter(std::ostream& out) : out_(out) {}
    void Write(const Record& record) override;
    void Flush() override;
    void Begin(ReplyKind kind) override;

private:
    std::ostream& out_;
    std::string headerShown_;  // the keyword whose header was printed last
};

// Comma-separated values for a spreadsheet: the keys of the JSON record, nested ones joined with a dot
// ("parameters.mask"), as a header line whenever they change, then one line a record. withPlain: the
// reply's own line (the key plain) too, which a watch's sheet of readings does without.
class CsvWriter : public RecordSink {
public:
    explicit CsvWriter(std::ostream& out, bool withPlain = true) : out_(out), withPlain_(withPlain) {}
    void Write(const Record& record) override;
    void Flush() override;
    void Begin(ReplyKind kind) override;

private:
    void Flatten(const Record& record, std::vector<std::string>& keys, std::vector<std::string>& values) const;

    std::ostream& out_;
    bool withPlain_;
    std::vector<std::string> header_;  // the keys of the last header line
};

// Holds the records back and sends them on in the order their devices were named (records of one device
// in the order they came) when Release is called: a sweep's output lines up with its input file.
class InputOrder : public RecordSink {
public:
    InputOrder(RecordSink& next, const std::vector<std::string>& names);
    void Write(const Record& record) override;
    // Nothing goes on before Release, whatever the command flushes meanwhile.
    void Flush() override {}
    void Begin(ReplyKind kind) override { next_.Begin(kind); }
    void Release();

private:
    RecordSink& next_;
    std::unordered_map<std::string, std::size_t> position_;  // a name's first place among those named
    std::vector<std::pair<std::size_t, Record>> held_;
};

// Passes every record on and also tells standard error about each failure, naming the device, so a
// failure is seen even when the output goes to a file. A failure told already (the same device, the
// same words: a watch whose sends fail round after round) is counted instead, and the count told at
// the end. A progress line on standard error is taken away for each message, so the two do not mix.
// texts: the language standard error speaks.
class FailureEcho : public RecordSink {
public:
    FailureEcho(RecordSink& next, std::ostream& err, std::string command, ProgressLine& progress,
                const language::Catalogue& texts)
        : next_(next), err_(err), command_(std::move(command)), progress_(progress), texts_(texts) {}
    void Write(const Record& record) override;
    void Flush() override { next_.Flush(); }
    void Begin(ReplyKind kind) override { next_.Begin(kind); }
    // "korvactl watch: 127.0.0.5: Network is unreachable (57 more times)" for each failure repeated.
    void TellRepeats() const;

private:
    struct Told {
        std::string name;
        language::Message error;
        std::uint64_t repeats = 0;
    };

    RecordSink& next_;
    std::ostream& err_;
    std::string command_;
    ProgressLine& progress_;
    const language::Catalogue& texts_;
    std::map<std::string, Told> told_;  // by name and error; bounded, beyond which all are told
};

// Passes on only replies or only failures: for a step whose other records are means, not results.
class RecordFilter : public RecordSink {
public:
    enum class Keep { kReplies, kFailures };
    RecordFilter(RecordSink& next, Keep keep) : next_(next), keep_(keep) {}
    void Write(const Record& record) override {
        if (record.error.Empty() == (keep_ == Keep::kReplies))
            next_.Write(record);
    }
    void Flush() override { next_.Flush(); }

private:
    RecordSink& next_;
    Keep keep_;
};

// Keeps nothing: for requests whose answers the caller reads from the conversations themselves.
class DiscardedRecords : public RecordSink {
public:
    void Write(const Record&) override {}
};

// Keeps the reason of each failure by device name, and nothing else: for a step whose failures become
// part of a result rather than results of their own.
class FailureReasons : public RecordSink {
public:
    void Write(const Record& record) override {
        if (!record.error.Empty())
            reasons_[record.name] = record.error;
    }
    // The last failure of the device named, or fallback when there was none.
    language::Message Of(const std::string& name, const language::Message& fallback) const {
        const auto found = reasons_.find(name);
        return found == reasons_.end() ? fallback : found->second;
    }

private:
    std::unordered_map<std::string, language::Message> reasons_;
};

// What `apply` did to each device of a plan, as one JSON object a line, a table for people or CSV. Each
// flushes every line and throws OutputError when it cannot be written.
enum class PlanOutcome {
    kUnchanged,    // already as planned; nothing was written
    kToChange,     // a dry run found the device and would write the changes listed
    kVerified,     // written, reset, and read back as planned at the new address
    kNotVerified,  // a write left, but its acknowledgement, the reset or the reading back is missing
    kFailed,       // not written (the write never left, or the device was not found), or read back otherwise
};

// One parameter a plan changes on its device, as the device reported it and as planned.
struct FieldChange {
    std::string field;  // "address", "mask" or "gateway"
    std::string from;
    std::string to;
};

struct PlanResult {
    PlanRow row;
    PlanOutcome outcome = PlanOutcome::kFailed;
    // Why, for every outcome but kUnchanged, kToChange and kVerified; in English in every output, and in
    // the user's language on standard error.
    language::Message detail;
    std::vector<FieldChange> changes;  // for a device found and to change: only the fields that differ
};

// "unchanged", "would_change", "applied", "written_not_verified", "failed": in JSON, the table and CSV alike.
std::string OutcomeKey(PlanOutcome outcome);
// How apply's closing line counts the outcome in the user's language: "2 applied" (ctl.apply.tally.applied).
language::Key OutcomeCount(PlanOutcome outcome);

// "address 10.0.0.7 -> 10.0.0.107, gateway 10.0.0.1 -> 10.0.0.254", in the language of texts.
std::string ChangesText(const std::vector<FieldChange>& changes, const language::Catalogue& texts);

class PlanResultWriter {
public:
    PlanResultWriter(std::ostream& out, OutputFormat format) : out_(out), format_(format) {}
    // The header of a table or CSV, written and flushed before anything is sent.
    void Begin();
    void Write(const PlanResult& result);

private:
    std::ostream& out_;
    OutputFormat format_;
};

// Fields for a CSV line, each as tools::TerminalText shows it: quoted when they hold a separator or a quote.
std::string CsvLine(const std::vector<std::string>& fields);

}  // namespace korva::ctl
