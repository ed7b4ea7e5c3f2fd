#pragma once
// The exporter without its HTTP: the scrapes, their time budget, the metrics they serve, and what is
// remembered across scrapes. Everything here runs on the event loop's thread.
#include "protocol/ipv4_range.h"
#include "tools/korvactl/exporter/device_sample.h"
#include "tools/korvactl/exporter/name_resolver.h"
#include "tools/korvactl/exporter/probe_failure_log.h"
#include "tools/korvactl/exporter/prober.h"
#include "tools/korvactl/inputs/device_target.h"

#include <prometheus/counter.h>
#include <prometheus/histogram.h>
#include <prometheus/metric_family.h>
#include <prometheus/registry.h>

#include <chrono>
#include <functional>
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
// earlier scrape, the time of that reply; no readings are made up for it, nor for the fields a reply
// cut short did not reach (korva_reply_incomplete 1 says so).
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
    // samples[i] is the sample of addresses[i] (nullopt: a device that could not be asked).
    void Update(const std::vector<std::optional<std::uint32_t>>& addresses, std::vector<DeviceSample>& samples);
    std::size_t Size() const { return lastReply_.size(); }

private:
    void ForgetTheLongestSilent();

    const std::size_t capacity_;
    std::unordered_map<std::uint32_t, WallTime> lastReply_;
};

// What the exporter answers, without the HTTP around it. A probe asks the one device Prometheus names,
// so the device list lives in Prometheus's own configuration; /metrics carries the exporter's own
// figures and, when devices were listed on the command line, asks all of them at once.
struct ExporterSettings {
    std::chrono::milliseconds timeout{1000};  // the longest a scrape waits for its devices
    std::vector<DeviceTarget> devices;        // also served on /metrics
    bool resolveNames = true;                 // false: a target must be an address (--no-names)
    std::vector<Ipv4Range> allowedTargets;    // what /probe may ask; empty: any address
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

class ExporterScrapes {
public:
    using Answer = std::function<void(ScrapeResponse)>;
    using Clock = std::function<SteadyTime()>;

    // prober, names and clock outlive this object.
    ExporterScrapes(ExporterSettings settings, Prober& prober, NameResolver& names, Clock clock);
    // How many devices' last replies are remembered.
    std::size_t Remembered() const { return lastReplies_.Size(); }

    // target: the query's "target", when it has one; timeoutHeader: Prometheus's scrape time-out.
    // answer runs once, maybe before Probe returns: a target that names no device (probe_target.h) is
    // answered 400 with the reason, one outside --allow-targets 403, both without a request sent.
    void Probe(const std::optional<std::string>& target, std::optional<std::string_view> timeoutHeader, Answer answer);
    void Metrics(std::optional<std::string_view> timeoutHeader, Answer answer);

private:
    void ProbeAddress(const std::string& target, std::uint32_t address, SteadyTime start, SteadyTime deadline,
                      Answer answer);
    void ProbeDown(const std::string& target, const std::string& reason, SteadyTime start, Answer answer);
    void Answered(std::vector<DeviceSample> samples, SteadyTime start, SteadyTime ended, const Answer& answer);

    ExporterSettings settings_;
    Prober& prober_;
    NameResolver& names_;
    Clock clock_;
    ProbeFailureLog failures_;
    ExporterSelfMetrics self_;
    LastReplyBook lastReplies_;
};

}  // namespace korva::ctl
