#pragma once
// The exporter's own figures, on /metrics whatever else it serves: how many probes found their device
// and how long probes take.
#include <prometheus/counter.h>
#include <prometheus/histogram.h>
#include <prometheus/metric_family.h>
#include <prometheus/registry.h>

#include <vector>

namespace korva::ctl {

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

}  // namespace korva::ctl
