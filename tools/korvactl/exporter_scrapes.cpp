#include "tools/korvactl/exporter_scrapes.h"

#include "tools/korvactl/device_metrics.h"
#include "tools/korvactl/device_survey.h"
#include "tools/korvactl/scrape_budget.h"
#include "transport/udp_endpoint.h"

#include <prometheus/text_serializer.h>

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
    const auto samples = Survey({ResolveTarget(*target)}, timeoutHeader, error);
    if (!samples)
        return Problem(500, error);
    std::vector<prometheus::MetricFamily> families = DeviceMetricFamilies(*samples);
    const double seconds = SecondsSince(start);
    families.push_back(ScrapeDurationFamily(seconds));
    self_.CountProbe(samples->front().Answered(), seconds);
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

}  // namespace korva::ctl
