// The scrapes, their time budget, and the last replies remembered across them.
#include "tools/korvactl/exporter/exporter_scrapes.h"

#include "protocol/address_text.h"
#include "tools/korvactl/exporter/probe_target.h"

#include <prometheus/text_serializer.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <future>

namespace korva::ctl {

namespace {

constexpr const char* kExposition = "text/plain; version=0.0.4; charset=utf-8";
// Devices asked by /probe whose last reply is remembered.
constexpr std::size_t kRememberedProbes = 4096;

// Past this many series a page is written by two threads, each serializing whole families: a scrape of
// ten thousand devices spent 75 to 130 ms in the serializer, after its last reply had come.
constexpr std::size_t kSeriesForTwoWriters = 20'000;

ScrapeResponse Exposition(std::vector<prometheus::MetricFamily> families) {
    std::size_t series = 0;
    for (const prometheus::MetricFamily& family : families)
        series += family.metric.size();
    if (series < kSeriesForTwoWriters)
        return {200, kExposition, prometheus::TextSerializer().Serialize(families)};
    std::vector<prometheus::MetricFamily> later;
    for (std::size_t firstHalf = 0; !families.empty() && firstHalf < series / 2; families.pop_back()) {
        firstHalf += families.back().metric.size();
        later.insert(later.begin(), std::move(families.back()));
    }
    auto laterPart =
        std::async(std::launch::async, [&later] { return prometheus::TextSerializer().Serialize(later); });
    std::string page = prometheus::TextSerializer().Serialize(families);
    page += laterPart.get();
    return {200, kExposition, std::move(page)};
}

ScrapeResponse Problem(int status, const std::string& text) {
    return {status, "text/plain; charset=utf-8", text + "\n"};
}

double Seconds(SteadyTime from, SteadyTime to) {
    return std::chrono::duration<double>(to - from).count();
}

std::optional<std::uint32_t> AddressOf(const DeviceTarget& device) {
    if (device.address.empty())
        return std::nullopt;
    return ParseIpv4(device.address);
}

}  // namespace

ExporterScrapes::ExporterScrapes(ExporterSettings settings, Prober& prober, NameResolver& names, Clock clock)
    : settings_(std::move(settings)),
      prober_(prober),
      names_(names),
      clock_(std::move(clock)),
      failures_([this](const std::string& line) {
          if (settings_.log)
              settings_.log(line);
      }),
      // Every listed device has its place beside those probes bring: with fewer, each scrape of a
      // long list forgot one device and searched for the longest silent one for every device.
      lastReplies_(kRememberedProbes + settings_.devices.size()) {}

void ExporterScrapes::Probe(const std::optional<std::string>& target, std::optional<std::string_view> timeoutHeader,
                            Answer answer) {
    if (!target || target->empty()) {
        answer(Problem(400, "name the device: /probe?target=ADDRESS"));
        return;
    }
    std::string reason;
    const std::optional<TargetText> text = ReadTargetText(*target, reason);
    if (!text) {
        answer(Problem(400, reason));
        return;
    }
    const SteadyTime start = clock_();
    const SteadyTime deadline = start + ScrapeBudget(settings_.timeout, timeoutHeader);
    if (text->address) {
        ProbeAddress(*target, *text->address, start, deadline, std::move(answer));
        return;
    }
    if (!settings_.resolveNames) {
        answer(Problem(400, "the target " + Quoted(*target) +
                                " is a host name, and this exporter resolves none (--no-names): give the device's "
                                "IPv4 address"));
        return;
    }
    names_.Resolve(*target, start, deadline,
                   [this, name = *target, start, deadline, answer = std::move(answer)](NameAnswer found) mutable {
                       switch (found.kind) {
                           case NameAnswer::Kind::kAddress:
                               ProbeAddress(name, found.address, start, deadline, std::move(answer));
                               return;
                           case NameAnswer::Kind::kNotFound:
                               answer(Problem(400, "cannot resolve the target " + Quoted(name) +
                                                       ": the name has no IPv4 address"));
                               return;
                           case NameAnswer::Kind::kTooSlow:
                               ProbeDown(name, "the name was not resolved within the scrape's time", start, answer);
                               return;
                           case NameAnswer::Kind::kBusy:
                               ProbeDown(name, "too many names wait for the resolver", start, answer);
                               return;
                       }
                   });
}

void ExporterScrapes::ProbeAddress(const std::string& target, std::uint32_t address, SteadyTime start,
                                   SteadyTime deadline, Answer answer) {
    if (std::string unusable = UnusableTarget(target, address); !unusable.empty()) {
        answer(Problem(400, unusable));
        return;
    }
    if (std::string disallowed = DisallowedTarget(target, address, settings_.allowedTargets); !disallowed.empty()) {
        answer(Problem(403, disallowed));
        return;
    }
    const SteadyTime now = clock_();
    const auto budget = std::max(std::chrono::milliseconds(1),
                                 std::chrono::ceil<std::chrono::milliseconds>(deadline - now));
    prober_.Start({{target, address}}, budget, now,
                  [this, target, address, start, answer = std::move(answer)](std::vector<DeviceSample> samples,
                                                                              SteadyTime ended) {
                      lastReplies_.Update({address}, samples);
                      const bool answered = samples.front().Answered();
                      Answered(std::move(samples), start, ended, answer);
                      if (!answered)
                          failures_.Failed(target, "no reply", ended);
                  });
}

void ExporterScrapes::ProbeDown(const std::string& target, const std::string& reason, SteadyTime start,
                                Answer answer) {
    const SteadyTime now = clock_();
    std::vector<DeviceSample> samples(1);
    samples.front().name = target;
    Answered(std::move(samples), start, now, answer);
    failures_.Failed(target, reason, now);
}

void ExporterScrapes::Answered(std::vector<DeviceSample> samples, SteadyTime start,
                               SteadyTime ended, const Answer& answer) {
    std::vector<prometheus::MetricFamily> families = DeviceMetricFamilies(samples);
    const double seconds = Seconds(start, ended);
    families.push_back(ScrapeDurationFamily(seconds));
    self_.CountProbe(samples.front().Answered(), seconds);
    answer(Exposition(std::move(families)));
}

void ExporterScrapes::Metrics(std::optional<std::string_view> timeoutHeader, Answer answer) {
    const SteadyTime start = clock_();
    if (settings_.devices.empty()) {
        std::vector<prometheus::MetricFamily> families = self_.Collect();
        families.push_back(ScrapeDurationFamily(0));
        answer(Exposition(std::move(families)));
        return;
    }
    std::vector<ProbeDevice> devices;
    std::vector<std::optional<std::uint32_t>> addresses;
    devices.reserve(settings_.devices.size());
    addresses.reserve(settings_.devices.size());
    for (const DeviceTarget& device : settings_.devices) {
        addresses.push_back(AddressOf(device));
        devices.push_back({device.name, addresses.back()});
    }
    prober_.Start(std::move(devices), ScrapeBudget(settings_.timeout, timeoutHeader), start,
                  [this, addresses = std::move(addresses), start, answer = std::move(answer)](
                      std::vector<DeviceSample> samples, SteadyTime ended) {
                      lastReplies_.Update(addresses, samples);
                      std::vector<prometheus::MetricFamily> families = self_.Collect();
                      for (prometheus::MetricFamily& family : DeviceMetricFamilies(samples))
                          families.push_back(std::move(family));
                      families.push_back(ScrapeDurationFamily(Seconds(start, ended)));
                      answer(Exposition(std::move(families)));
                  });
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

void LastReplyBook::Update(const std::vector<std::optional<std::uint32_t>>& addresses,
                           std::vector<DeviceSample>& samples) {
    for (std::size_t i = 0; i < std::min(addresses.size(), samples.size()); ++i) {
        if (!addresses[i])
            continue;
        const std::uint32_t address = *addresses[i];
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

void LastReplyBook::ForgetTheLongestSilent() {
    const auto oldest = std::min_element(lastReply_.begin(), lastReply_.end(),
                                         [](const auto& a, const auto& b) { return a.second < b.second; });
    if (oldest != lastReply_.end())
        lastReply_.erase(oldest);
}

}  // namespace korva::ctl
