#include "tools/korvactl/output/record_writers.h"

#include <algorithm>

namespace korva::ctl {

InputOrder::InputOrder(RecordSink& next, const std::vector<std::string>& names) : next_(next) {
    for (std::size_t i = 0; i < names.size(); ++i)
        position_.emplace(names[i], i);
}

void InputOrder::Write(const Record& record) {
    const auto found = position_.find(record.name);
    // A name not among those given (none, for a search) keeps its place after them, in the order it came.
    held_.emplace_back(found == position_.end() ? position_.size() : found->second, record);
}

void InputOrder::Release() {
    std::stable_sort(held_.begin(), held_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [position, record] : held_)
        next_.Write(record);
    held_.clear();
    next_.Flush();
}

}  // namespace korva::ctl
