// The scrapes, their time budget, and the last replies remembered across them.
#include "tools/korvactl/exporter/exporter_scrapes.h"

#include "tools/korvactl/conversations/conversation.h"
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
    lastReplies_.Update(samples);
    return samples;
}

ScrapeResponse ExporterScrapes::Probe(const std::optional<std::string>& target,
                                      std::optional<std::string_view> timeoutHeader) {
    if (!target || target->empty())
        return Problem(400, "name the device: /probe?target=ADDRESS");
    const auto start = std::chrono::steady_clock::now();
    std::string error;
    const DeviceTarget device = ResolveTarget(*target);
    const auto samples = Survey({device}, timeoutHeader, error);
    if (!samples)
        return Problem(500, error);
    std::vector<prometheus::MetricFamily> families = DeviceMetricFamilies(*samples);
    const double seconds = SecondsSince(start);
    families.push_back(ScrapeDurationFamily(seconds));
    const bool answered = samples->front().Answered();
    self_.CountProbe(answered, seconds);
    if (!answered)
        failures_.Failed(*target, device.error.empty() ? "no reply" : device.error, std::chrono::steady_clock::now());
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

void LastReplyBook::Update(std::vector<DeviceSample>& samples) {
    const std::lock_guard lock(mutex_);
    for (DeviceSample& sample : samples) {
        if (sample.lastReply) {
            WallTime& known = lastReply_[sample.name];
            known = std::max(known, *sample.lastReply);
        } else if (const auto found = lastReply_.find(sample.name); found != lastReply_.end()) {
            sample.lastReply = found->second;
        }
    }
}

}  // namespace korva::ctl
