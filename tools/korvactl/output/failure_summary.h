#pragma once
// Failures counted by their reason instead of printed one by one: a search whose sends fail fails
// alike for thousands of addresses, and those are no devices found.
#include "tools/korvactl/output/record_writers.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace korva::ctl {

class FailureSummary : public RecordSink {
public:
    // Replies go on to next; failures stay here.
    explicit FailureSummary(RecordSink& next) : next_(next) {}
    void Write(const Record& record) override;
    void Flush() override { next_.Flush(); }

    std::uint64_t Failures() const { return failures_; }
    // One line a reason, most frequent first, naming its first few addresses, in the language of texts:
    // "<prefix>65536 requests not sent: Network is unreachable (127.0.0.0, 127.0.0.1, 127.0.0.2 and 65533 more)".
    // Nothing when there was no failure.
    void Summarise(std::ostream& err, const std::string& prefix, const language::Catalogue& texts) const;

private:
    struct Reason {
        language::Message text;
        std::uint64_t count = 0;
        std::vector<std::string> first;  // the first few names
    };

    RecordSink& next_;
    std::vector<Reason> reasons_;  // a few kinds at most; the rest count as others
    std::uint64_t others_ = 0;
    std::uint64_t failures_ = 0;
};

}  // namespace korva::ctl
