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

using prometheus::Family;
using prometheus::Gauge;
using prometheus::Labels;

Family<Gauge>& AddGauge(prometheus::Registry& registry, const std::string& name, const std::string& help) {
    return prometheus::BuildGauge().Name(name).Help(help).Register(registry);
}

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

// Every family is registered even when no device answered, so that an empty scrape still says what
// it would hold; the serializer leaves families without series out.
class DeviceFamilies {
public:
    void Add(const DeviceSample& sample) {
        const Labels device{{"device", LabelValue(sample.name)}};
        up_.Add(device).Set(sample.Answered() ? 1 : 0);
        if (sample.lastReply)
            lastReply_.Add(device).Set(Seconds(*sample.lastReply));
        if (sample.Answered())
            restartPending_.Add(device).Set(sample.restartPending ? 1 : 0);
        if (sample.status)
            AddStatus(device, *sample.status);
        if (sample.parameters)
            AddParameters(device, *sample.parameters);
    }

    std::vector<prometheus::MetricFamily> Collect() const { return registry_.Collect(); }

private:
    void AddStatus(const Labels& device, const StatusReading& status) {
        temperature_.Add(device).Set(status.temperature);
        humidity_.Add(device).Set(status.humidity);
        battery_.Add(device).Set(status.batteryTenths / 10.0);
        presence_.Add(device).Set(status.presence ? 1 : 0);
        resetState_.Add(device).Set(status.resetState ? 1 : 0);
        AddLink(device, "1", status.link1);
        if (status.link2)
            AddLink(device, "2", *status.link2);
        if (status.link3)
            AddLink(device, "3", *status.link3);
    }

    void AddLink(Labels labels, const std::string& number, bool up) {
        labels.emplace("link", number);
        link_.Add(labels).Set(up ? 1 : 0);
    }

    void AddParameters(const Labels& device, const ParameterReading& parameters) {
        Labels labels = device;
        labels.emplace("mac", LabelValue(Cp1252ToUtf8(parameters.mac)));
        labels.emplace("firmware", LabelValue(Cp1252ToUtf8(parameters.firmware)));
        labels.emplace("mask", LabelValue(Cp1252ToUtf8(parameters.mask)));
        labels.emplace("gateway", LabelValue(Cp1252ToUtf8(parameters.gateway)));
        info_.Add(labels).Set(1);
    }

    prometheus::Registry registry_;
    Family<Gauge>& up_ =
        AddGauge(registry_, "korva_up", "1 when the device answered this scrape's live-data or parameter request.");
    Family<Gauge>& temperature_ = AddGauge(registry_, "korva_temperature_celsius", "Temperature the device reads.");
    Family<Gauge>& humidity_ = AddGauge(registry_, "korva_humidity_percent", "Relative humidity the device reads.");
    Family<Gauge>& battery_ = AddGauge(registry_, "korva_battery_volts", "Battery voltage.");
    Family<Gauge>& presence_ = AddGauge(registry_, "korva_presence", "1 when the presence input is active.");
    Family<Gauge>& resetState_ = AddGauge(registry_, "korva_reset_state",
                                          "1 when the device's \"reset EC\" indicator is lit (its field reads 0).");
    Family<Gauge>& link_ =
        AddGauge(registry_, "korva_link_up", "1 when the link is up; links 2 and 3 from version 150.");
    Family<Gauge>& restartPending_ = AddGauge(registry_, "korva_restart_pending",
                                              "1 when the device holds parameters that take effect after a restart.");
    Family<Gauge>& info_ =
        AddGauge(registry_, "korva_device_info", "The device's MAC address, firmware, mask and gateway.");
    Family<Gauge>& lastReply_ = AddGauge(registry_, "korva_last_reply_timestamp_seconds",
                                         "When the device last answered, in seconds since the Unix epoch.");
};

}  // namespace

std::vector<prometheus::MetricFamily> DeviceMetricFamilies(const std::vector<DeviceSample>& samples) {
    DeviceFamilies families;
    for (const DeviceSample& sample : samples)
        families.Add(sample);
    return families.Collect();
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
