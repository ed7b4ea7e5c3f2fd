#include "tools/korvactl/scrape_budget.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace korva::ctl {

std::chrono::milliseconds ScrapeBudget(std::chrono::milliseconds timeout, std::optional<std::string_view> header) {
    if (!header)
        return timeout;
    double seconds = 0;
    const auto [end, error] = std::from_chars(header->data(), header->data() + header->size(), seconds);
    // A header that is not a positive number of seconds is ignored rather than trusted.
    if (header->empty() || error != std::errc() || end != header->data() + header->size() || !std::isfinite(seconds) ||
        seconds <= 0)
        return timeout;
    const double millis = std::floor(seconds * 900);
    if (millis >= static_cast<double>(timeout.count()))
        return timeout;
    return std::max(std::chrono::milliseconds(1), std::chrono::milliseconds(static_cast<long long>(millis)));
}

}  // namespace korva::ctl
