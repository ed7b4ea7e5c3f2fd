#pragma once
// The exporter without its HTTP: the scrapes, their time budget, the metrics they serve, and what is
// remembered across scrapes.
#include "tools/korvactl/conversations/device_survey.h"
#include "tools/korvactl/conversations/link.h"
#include "tools/korvactl/exporter/probe_failure_log.h"
#include "tools/korvactl/inputs/device_target.h"

#include <prometheus/counter.h>
#include <prometheus/histogram.h>
#include <prometheus/metric_family.h>
#include <prometheus/registry.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace korva::ctl {

// How long one scrape may wait for its devices: the exporter's --timeout, or less when Prometheus says
// it gives up sooner (X-Prometheus-Scrape-Timeout-Seconds), keeping a tenth of Prometheus's time for
// the answer to travel back.
std::chrono::milliseconds ScrapeBudget(std::chrono::milliseconds timeout, std::optional<std::string_view> header);

// The exporter's own figures, on /metrics whatever else it serves: how many probes found their device
// and how long probes take.
class ExporterSelfMetrics {
public:
    ExporterSelfMetrics();
    // Safe from any thread.
    void CountProbe(bool answered, double seconds);
    std::vector<prometheus::MetricFamily> Collect() const { return registry_.Collect(); }

private:
    prometheus::Registry registry_;
    prometheus::Counter& answered_;
    prometheus::Counter& unanswered_;
    prometheus::Histogram& duration_;
};

// The devices' readings as Prometheus metric families, each series labelled "device" with the name
// the device was asked for. A device that did not answer has korva_up 0 and, when it answered an
// earlier scrape, the time of that reply; no readings are made up for it.
std::vector<prometheus::MetricFamily> DeviceMetricFamilies(const std::vector<DeviceSample>& samples);

// A gauge without labels, for figures of the scrape itself.
prometheus::MetricFamily ScrapeDurationFamily(double seconds);

// When each device last answered, kept across scrapes: a device that has gone silent still shows when
// it was last heard, which is what an operator asks first. Kept by address, so that every spelling of
// one address ('127.0.0.1', '0127.000.0.01') shares one entry; only devices that answered are kept,
// and at most capacity of them: beyond, the one silent the longest is forgotten.
class LastReplyBook {
public:
    explicit LastReplyBook(std::size_t capacity = 4096) : capacity_(capacity) {}

    // Notes the replies of this scrape and fills in the time of an earlier one for devices silent now.
    // samples[i] is the sample of targets[i].
    void Update(const std::vector<DeviceTarget>& targets, std::vector<DeviceSample>& samples);
    std::size_t Size() const;

private:
    void ForgetTheLongestSilent();

    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::unordered_map<std::string, WallTime> lastReply_;  // by dotted quad
};

// What the exporter answers, without the HTTP around it. A probe asks the one device Prometheus names,
// so the device list lives in Prometheus's own configuration; /metrics carries the exporter's own
// figures and, when devices were listed on the command line, asks all of them at once.
struct ExporterSettings {
    std::chrono::milliseconds timeout{1000};  // the longest a scrape waits for its devices
    std::vector<DeviceTarget> devices;        // also served on /metrics
    // A fresh link for each scrape, so that scrapes served at once do not take each other's replies.
    // Throws transport::SocketError.
    std::function<std::unique_ptr<Link>()> openLink;
    // Takes a line for the log about a probe that failed (without its newline); none: no log.
    std::function<void(const std::string&)> log;
};

struct ScrapeResponse {
    int status = 200;
    std::string contentType;
    std::string body;
};

// The page at "/": what the exporter is, with links to /metrics and an example probe.
ScrapeResponse LandingPage();

// Safe to use from several threads at once.
class ExporterScrapes {
public:
    explicit ExporterScrapes(ExporterSettings settings)
        : settings_(std::move(settings)), failures_([this](const std::string& line) {
              if (settings_.log)
                  settings_.log(line);
          }) {}
    // How many devices' last replies are remembered.
    std::size_t Remembered() const { return lastReplies_.Size(); }

    // target: the query's "target", when it has one; timeoutHeader: Prometheus's scrape time-out. A
    // target that names no device (probe_target.h) is answered 400 with the reason, without a survey.
    ScrapeResponse Probe(const std::optional<std::string>& target, std::optional<std::string_view> timeoutHeader);
    ScrapeResponse Metrics(std::optional<std::string_view> timeoutHeader);

private:
    std::optional<std::vector<DeviceSample>> Survey(const std::vector<DeviceTarget>& targets,
                                                    std::optional<std::string_view> timeoutHeader, std::string& error);

    ExporterSettings settings_;
    ProbeFailureLog failures_;
    ExporterSelfMetrics self_;
    LastReplyBook lastReplies_;
};

}  // namespace korva::ctl
