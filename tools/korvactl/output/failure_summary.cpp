#include "tools/korvactl/output/failure_summary.h"
#include "tools/common/terminal_text.h"

#include <algorithm>
#include <ostream>

namespace korva::ctl {

namespace {

constexpr std::size_t kNamesShown = 3;
constexpr std::size_t kReasonsKept = 8;

}  // namespace

void FailureSummary::Write(const Record& record) {
    if (record.error.empty()) {
        next_.Write(record);
        return;
    }
    ++failures_;
    auto reason =
        std::find_if(reasons_.begin(), reasons_.end(), [&](const Reason& kept) { return kept.text == record.error; });
    if (reason == reasons_.end()) {
        if (reasons_.size() == kReasonsKept) {
            ++others_;
            return;
        }
        reason = reasons_.insert(reasons_.end(), Reason{record.error, 0, {}});
    }
    ++reason->count;
    if (reason->first.size() < kNamesShown)
        reason->first.push_back(record.name);
}

void FailureSummary::Summarise(std::ostream& err, const std::string& prefix) const {
    std::vector<const Reason*> ordered;
    for (const Reason& reason : reasons_)
        ordered.push_back(&reason);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Reason* a, const Reason* b) { return a->count > b->count; });
    for (const Reason* reason : ordered) {
        err << prefix << reason->count << (reason->count == 1 ? " request" : " requests")
            << " not sent: " << tools::TerminalText(reason->text) << " (";
        for (std::size_t i = 0; i < reason->first.size(); ++i)
            err << (i == 0 ? "" : ", ") << tools::TerminalText(reason->first[i]);
        if (reason->count > reason->first.size())
            err << " and " << reason->count - reason->first.size() << " more";
        err << ")\n";
    }
    if (others_ > 0)
        err << prefix << others_ << (others_ == 1 ? " request" : " requests") << " not sent for other reasons\n";
}

}  // namespace korva::ctl
