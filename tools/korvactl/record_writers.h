#pragma once
// The two output styles: JSON lines for scripts, a table for people. Both flush each record and throw
// OutputError when it cannot be written.
#include "tools/korvactl/record.h"

#include <iosfwd>
#include <string>

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

}  // namespace korva::ctl
