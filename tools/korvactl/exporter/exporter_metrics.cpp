// The devices' metric families and the exporter's own.
#include "protocol/cp1252.h"
#include "tools/korvactl/exporter/exporter_scrapes.h"

#include <prometheus/gauge.h>
#include <prometheus/registry.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace korva::ctl {

namespace {

// The length of the well-formed UTF-8 sequence text starts with, or 0 when it starts with none.
std::size_t Utf8SequenceLength(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // what the second byte may be: no overlong forms nor surrogates
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    }
    return length;
}

// A label value as promtool and Prometheus take it: well-formed UTF-8 without control characters.
// Whatever is not becomes U+FFFD, byte by byte, so that the rest of the text still reads. Target names
// come from anyone who can reach the exporter, and device texts from the network.
std::string LabelValue(std::string_view text) {
    constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    std::string value;
    while (!text.empty()) {
        const std::size_t length = Utf8SequenceLength(text);
        const auto lead = static_cast<unsigned char>(text[0]);
        const bool control = (length == 1 && (lead < 0x20 || lead == 0x7F)) ||
                             (length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0);
        if (length == 0 || control) {
            value += kReplacement;
            text.remove_prefix(std::max<std::size_t>(length, 1));
        } else {
            value += text.substr(0, length);
            text.remove_prefix(length);
        }
    }
    return value;
}

double Seconds(WallTime time) {
    return std::chrono::duration<double>(time.time_since_epoch()).count();
}

namespace f = reply_field;

prometheus::MetricFamily GaugeFamily(const char* name, const char* help) {
    return {name, help, prometheus::MetricType::Gauge, {}};
}

// The families are built as the exposition lists them, without a registry: a scrape of ten thousand
// devices adds some hundred thousand series, which a registry would hash and sort only to hand back.
// A family without series is left out of the page.
class DeviceFamilies {
public:
    explicit DeviceFamilies(std::size_t devices) {
        for (prometheus::MetricFamily* family : All())
            family->metric.reserve(family == &link_ ? 3 * devices : devices);
    }

    void Add(const DeviceSample& sample) {
        const std::string device = LabelValue(sample.name);
        Set(up_, device, sample.Answered() ? 1 : 0);
        if (sample.lastReply)
            Set(lastReply_, device, Seconds(*sample.lastReply));
        if (sample.Answered()) {
            Set(restartPending_, device, sample.restartPending ? 1 : 0);
            Set(incomplete_, device, sample.Incomplete() ? 1 : 0);
        }
        if (sample.status)
            AddStatus(device, *sample.status, sample.statusReach);
        if (sample.parameters)
            AddParameters(device, *sample.parameters, sample.parameterReach, sample.parametersComplete);
    }

    std::vector<prometheus::MetricFamily> Collect() && {
        std::vector<prometheus::MetricFamily> families;
        for (prometheus::MetricFamily* family : All()) {
            if (!family->metric.empty())
                families.push_back(std::move(*family));
        }
        return families;
    }

private:
    std::vector<prometheus::MetricFamily*> All() {
        return {&up_,   &temperature_,    &humidity_, &battery_,  &presence_,  &resetState_,
                &link_, &restartPending_, &info_,     &lastReply_, &incomplete_};
    }

    static prometheus::ClientMetric& Set(prometheus::MetricFamily& family, const std::string& device, double value) {
        prometheus::ClientMetric& metric = family.metric.emplace_back();
        metric.label.push_back({"device", device});
        metric.gauge.value = value;
        return metric;
    }

    // Only the fields the reply reached: a reading fills the others with zeros the device never sent.
    void AddStatus(const std::string& device, const StatusReading& status, int reach) {
        if (reach >= f::kTemperature)
            Set(temperature_, device, status.temperature);
        if (reach >= f::kHumidity)
            Set(humidity_, device, status.humidity);
        if (reach >= f::kBatteryTenths)
            Set(battery_, device, status.batteryTenths / 10.0);
        if (reach >= f::kPresence)
            Set(presence_, device, status.presence ? 1 : 0);
        if (reach >= f::kResetState)
            Set(resetState_, device, status.resetState ? 1 : 0);
        if (reach >= f::kLink1)
            AddLink(device, "1", status.link1);
        if (status.link2 && reach >= f::kLink2)
            AddLink(device, "2", *status.link2);
        if (status.link3 && reach >= f::kLink3)
            AddLink(device, "3", *status.link3);
    }

    void AddLink(const std::string& device, const char* number, bool up) {
        Set(link_, device, up ? 1 : 0).label.push_back({"link", number});
    }

    void AddParameters(const std::string& device, const ParameterReading& parameters, int reach, bool complete) {
        prometheus::ClientMetric& metric = Set(info_, device, 1);
        // Labels in name order, as the exposition wants them.
        if (complete)
            metric.label.push_back({"firmware", LabelValue(Cp1252ToUtf8(parameters.firmware))});
        if (reach >= f::kGateway)
            metric.label.push_back({"gateway", LabelValue(Cp1252ToUtf8(parameters.gateway))});
        if (reach >= f::kMac)
            metric.label.push_back({"mac", LabelValue(Cp1252ToUtf8(parameters.mac))});
        if (reach >= f::kMask)
            metric.label.push_back({"mask", LabelValue(Cp1252ToUtf8(parameters.mask))});
    }

    prometheus::MetricFamily up_ =
        GaugeFamily("korva_up", "1 when the device answered this scrape's live-data or parameter request.");
    prometheus::MetricFamily temperature_ = GaugeFamily("korva_temperature_celsius", "Temperature the device reads.");
    prometheus::MetricFamily humidity_ = GaugeFamily("korva_humidity_percent", "Relative humidity the device reads.");
    prometheus::MetricFamily battery_ = GaugeFamily("korva_battery_volts", "Battery voltage.");
    prometheus::MetricFamily presence_ = GaugeFamily("korva_presence", "1 when the presence input is active.");
    prometheus::MetricFamily resetState_ = GaugeFamily(
        "korva_reset_state", "1 when the device's \"reset EC\" indicator is lit (its field reads 0).");
    prometheus::MetricFamily link_ =
        GaugeFamily("korva_link_up", "1 when the link is up; links 2 and 3 from version 150.");
    prometheus::MetricFamily restartPending_ = GaugeFamily(
        "korva_restart_pending", "1 when the device holds parameters that take effect after a restart.");
    prometheus::MetricFamily info_ =
        GaugeFamily("korva_device_info", "The device's MAC address, firmware, mask and gateway.");
    prometheus::MetricFamily lastReply_ = GaugeFamily("korva_last_reply_timestamp_seconds",
                                                      "When the device last answered, in seconds since the Unix epoch.");
    prometheus::MetricFamily incomplete_ =
        GaugeFamily("korva_reply_incomplete",
                    "1 when a reply stopped before fields its reading needs; the fields it did give are shown.");
};

}  // namespace

std::vector<prometheus::MetricFamily> DeviceMetricFamilies(const std::vector<DeviceSample>& samples) {
    DeviceFamilies families(samples.size());
    for (const DeviceSample& sample : samples)
        families.Add(sample);
    return std::move(families).Collect();
}

prometheus::MetricFamily ScrapeDurationFamily(double seconds) {
    prometheus::ClientMetric metric;
    metric.gauge.value = seconds;
    return {"korva_exporter_scrape_duration_seconds",
            "How long the exporter took to ask the devices of this scrape.",
            prometheus::MetricType::Gauge,
            {metric}};
}

namespace {

prometheus::Family<prometheus::Counter>& ProbeCounters(prometheus::Registry& registry) {
    return prometheus::BuildCounter()
        .Name("korva_exporter_probes_total")
        .Help("Probes served on /probe, by whether the device answered.")
        .Register(registry);
}

// From a quick answer on the local network to the longest scrape time-out Prometheus is usually given.
const prometheus::Histogram::BucketBoundaries kProbeSeconds = {0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10};

}  // namespace

ExporterSelfMetrics::ExporterSelfMetrics()
    : answered_(ProbeCounters(registry_).Add({{"result", "answered"}})),
      unanswered_(ProbeCounters(registry_).Add({{"result", "unanswered"}})),
      duration_(prometheus::BuildHistogram()
                    .Name("korva_exporter_probe_duration_seconds")
                    .Help("How long each probe took, from the request to the response.")
                    .Register(registry_)
                    .Add({}, kProbeSeconds)) {
    prometheus::BuildGauge()
        .Name("korva_exporter_build_info")
        .Help("Always 1; the label version is the exporter's (korvactl's) version.")
        .Register(registry_)
        .Add({{"version", KORVA_PROGRAM_VERSION}})
        .Set(1);
}

void ExporterSelfMetrics::CountProbe(bool answered, double seconds) {
    (answered ? answered_ : unanswered_).Increment();
    duration_.Observe(seconds);
}

}  // namespace korva::ctl
