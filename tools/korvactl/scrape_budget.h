#pragma once
// How long one scrape may wait for its devices: the exporter's --timeout, or less when Prometheus says
// it gives up sooner (X-Prometheus-Scrape-Timeout-Seconds), keeping a tenth of Prometheus's time for
// the answer to travel back.
#include <chrono>
#include <optional>
#include <string_view>

namespace korva::ctl {

std::chrono::milliseconds ScrapeBudget(std::chrono::milliseconds timeout, std::optional<std::string_view> header);

}  // namespace korva::ctl
