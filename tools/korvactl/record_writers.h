#pragma once
// The two output styles: JSON lines for scripts, a table for people. Both flush each record and throw
// OutputError when it cannot be written.
#include "tools/korvactl/record.h"

#include <iosfwd>
#include <string>
#include <unordered_map>

namespace korva::ctl {

class JsonLinesWriter : public RecordSink {
public:
    explicit JsonLinesWriter(std::ostream& out) : out_(out) {}
    void Write(const Record& record) override;

private:
    std::ostream& out_;
};

// Fixed-width columns; a header line goes out whenever the kind of reply (and so the columns) changes.
class TableWriter : public RecordSink {
public:
    explicit TableWriter(std::ostream& out) : out_(out) {}
    void Write(const Record& record) override;

private:
    std::ostream& out_;
    std::string headerShown_;  // the keyword whose header was printed last
};

// Passes every record on and also tells standard error about each failure, naming the device, so a
// failure is seen even when the output goes to a file.
class FailureEcho : public RecordSink {
public:
    FailureEcho(RecordSink& next, std::ostream& err, std::string command)
        : next_(next), err_(err), command_(std::move(command)) {}
    void Write(const Record& record) override;

private:
    RecordSink& next_;
    std::ostream& err_;
    std::string command_;
};

// Passes on only replies or only failures: for a step whose other records are means, not results.
class RecordFilter : public RecordSink {
public:
    enum class Keep { kReplies, kFailures };
    RecordFilter(RecordSink& next, Keep keep) : next_(next), keep_(keep) {}
    void Write(const Record& record) override {
        if (record.reply.has_value() == (keep_ == Keep::kReplies))
            next_.Write(record);
    }

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
        if (!record.reply)
            reasons_[record.name] = record.error;
    }
    // The last failure of the device named, or fallback when there was none.
    std::string Of(const std::string& name, const std::string& fallback) const {
        const auto found = reasons_.find(name);
        return found == reasons_.end() ? fallback : found->second;
    }

private:
    std::unordered_map<std::string, std::string> reasons_;
};

}  // namespace korva::ctl
