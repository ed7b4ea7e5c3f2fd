// The scrapes, their time budget, and the last replies remembered across them.
#include "tools/korvactl/exporter/exporter_scrapes.h"

#include "tools/korvactl/conversations/device_survey.h"
#include "tools/korvactl/exporter/probe_target.h"
#include "transport/udp_endpoint.h"

#include <prometheus/text_serializer.h>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace korva::ctl {

namespace {

constexpr const char* kExposition = "text/plain; version=0.0.4; charset=utf-8";

ScrapeResponse Exposition(const std::vector<prometheus::MetricFamily>& families) {
    return {200, kExposition, prometheus::TextSerializer().Serialize(families)};
}

ScrapeResponse Problem(int status, const std::string& text) {
    return {status, "text/plain; charset=utf-8", text + "\n"};
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

std::optional<std::vector<DeviceSample>> ExporterScrapes::Survey(const std::vector<DeviceTarget>& targets,
                                                                 std::optional<std::string_view> timeoutHeader,
                                                                 std::string& error) {
    std::unique_ptr<Link> link;
    try {
        link = settings_.openLink();
    } catch (const transport::SocketError& socketError) {
        error = "cannot open the UDP endpoint: " + OneLine(socketError.what());
        return std::nullopt;
    }
    std::vector<DeviceSample> samples = SurveyDevices(*link, targets, ScrapeBudget(settings_.timeout, timeoutHeader));
    lastReplies_.Update(targets, samples);
    return samples;
}

ScrapeResponse ExporterScrapes::Probe(const std::optional<std::string>& target,
                                      std::optional<std::string_view> timeoutHeader) {
    if (!target || target->empty())
        return Problem(400, "name the device: /probe?target=ADDRESS");
    std::string error;
    const std::optional<DeviceTarget> device = ProbeTarget(*target, error);
    if (!device)
        return Problem(400, error);
    const auto start = std::chrono::steady_clock::now();
    const auto samples = Survey({*device}, timeoutHeader, error);
    if (!samples)
        return Problem(500, error);
    std::vector<prometheus::MetricFamily> families = DeviceMetricFamilies(*samples);
    const double seconds = SecondsSince(start);
    families.push_back(ScrapeDurationFamily(seconds));
    const bool answered = samples->front().Answered();
    self_.CountProbe(answered, seconds);
    if (!answered)
        failures_.Failed(*target, "no reply", std::chrono::steady_clock::now());
    return Exposition(families);
}

ScrapeResponse ExporterScrapes::Metrics(std::optional<std::string_view> timeoutHeader) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<prometheus::MetricFamily> families = self_.Collect();
    if (!settings_.devices.empty()) {
        std::string error;
        const auto samples = Survey(settings_.devices, timeoutHeader, error);
        if (!samples)
            return Problem(500, error);
        for (prometheus::MetricFamily& family : DeviceMetricFamilies(*samples))
            families.push_back(std::move(family));
    }
    families.push_back(ScrapeDurationFamily(SecondsSince(start)));
    return Exposition(families);
}

ScrapeResponse LandingPage() {
    return {200, "text/html; charset=utf-8",
            "<!DOCTYPE html>\n<html lang=\"en\">\n<head><meta charset=\"utf-8\"><title>korvactl exporter</title></head>\n"
            "<body>\n<h1>korvactl exporter</h1>\n<p>A Prometheus exporter for Korva site controllers.</p>\n<ul>\n"
            "<li><a href=\"/metrics\">/metrics</a>: the exporter's own metrics and the devices it was given</li>\n"
            "<li><a href=\"/probe?target=192.168.0.250\">/probe?target=192.168.0.250</a>: one device, asked "
            "now</li>\n</ul>\n</body>\n</html>\n"};
}

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

void LastReplyBook::Update(const std::vector<DeviceTarget>& targets, std::vector<DeviceSample>& samples) {
    const std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < std::min(targets.size(), samples.size()); ++i) {
        const std::string& address = targets[i].address;
        DeviceSample& sample = samples[i];
        if (sample.lastReply) {
            if (!lastReply_.contains(address) && lastReply_.size() >= capacity_)
                ForgetTheLongestSilent();
            WallTime& known = lastReply_[address];
            known = std::max(known, *sample.lastReply);
        } else if (const auto found = lastReply_.find(address); found != lastReply_.end()) {
            sample.lastReply = found->second;
        }
    }
}

std::size_t LastReplyBook::Size() const {
    const std::lock_guard lock(mutex_);
    return lastReply_.size();
}

void LastReplyBook::ForgetTheLongestSilent() {
    const auto oldest = std::min_element(lastReply_.begin(), lastReply_.end(),
                                         [](const auto& a, const auto& b) { return a.second < b.second; });
    if (oldest != lastReply_.end())
        lastReply_.erase(oldest);
}

}  // namespace korva::ctl
