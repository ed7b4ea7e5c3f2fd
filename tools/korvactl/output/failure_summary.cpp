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
    if (record.error.Empty()) {
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

void FailureSummary::Summarise(std::ostream& err, const std::string& prefix, const language::Catalogue& texts) const {
    std::vector<const Reason*> ordered;
    for (const Reason& reason : reasons_)
        ordered.push_back(&reason);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Reason* a, const Reason* b) { return a->count > b->count; });
    for (const Reason* reason : ordered) {
        std::string names;
        for (const std::string& name : reason->first)
            names += (names.empty() ? "" : ", ") + name;
        const std::uint64_t more = reason->count - reason->first.size();
        const language::Message devices =
            more > 0 ? language::Message("ctl.not_sent.more", {{"devices", names}, {"more", more}})
                     : language::Message::Verbatim(names);
        err << prefix
            << tools::TerminalText(texts.Text(
                   {"ctl.not_sent", {{"count", reason->count}, {"reason", reason->text}, {"devices", devices}}}))
            << '\n';
    }
    if (others_ > 0)
        err << prefix << texts.Text({"ctl.not_sent.others", {{"count", others_}}}) << '\n';
}

}  // namespace korva::ctl
