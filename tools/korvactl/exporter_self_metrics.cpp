#include "tools/korvactl/exporter_self_metrics.h"

namespace korva::ctl {
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
                    .Add({}, kProbeSeconds)) {}

void ExporterSelfMetrics::CountProbe(bool answered, double seconds) {
    (answered ? answered_ : unanswered_).Increment();
    duration_.Observe(seconds);
}

}  // namespace korva::ctl
