#pragma once
// What the exporter answers, without the HTTP around it. A probe asks the one device Prometheus names,
// so the device list lives in Prometheus's own configuration; /metrics carries the exporter's own
// figures and, when devices were listed on the command line, asks all of them at once.
#include "tools/korvactl/device_target.h"
#include "tools/korvactl/exporter_self_metrics.h"
#include "tools/korvactl/last_reply_book.h"
#include "tools/korvactl/link.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korva::ctl {

struct ExporterSettings {
    std::chrono::milliseconds timeout{1000};  // the longest a scrape waits for its devices
    std::vector<DeviceTarget> devices;        // also served on /metrics
    // A fresh link for each scrape, so that scrapes served at once do not take each other's replies.
    // Throws transport::SocketError.
    std::function<std::unique_ptr<Link>()> openLink;
};

struct ScrapeResponse {
    int status = 200;
    std::string contentType;
    std::string body;
};

// Safe to use from several threads at once.
class ExporterScrapes {
public:
    explicit ExporterScrapes(ExporterSettings settings) : settings_(std::move(settings)) {}

    // target: the query's "target", when it has one; timeoutHeader: Prometheus's scrape time-out.
    ScrapeResponse Probe(const std::optional<std::string>& target, std::optional<std::string_view> timeoutHeader);
    ScrapeResponse Metrics(std::optional<std::string_view> timeoutHeader);

private:
    std::optional<std::vector<DeviceSample>> Survey(const std::vector<DeviceTarget>& targets,
                                                    std::optional<std::string_view> timeoutHeader, std::string& error);

    ExporterSettings settings_;
    ExporterSelfMetrics self_;
    LastReplyBook lastReplies_;
};

}  // namespace korva::ctl
