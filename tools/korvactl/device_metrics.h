#pragma once
// The devices' readings as Prometheus metric families, each series labelled "device" with the name
// the device was asked for. A device that did not answer has korva_up 0 and, when it answered an
// earlier scrape, the time of that reply; no readings are made up for it.
#include "tools/korvactl/device_survey.h"

#include <prometheus/metric_family.h>

#include <vector>

namespace korva::ctl {

std::vector<prometheus::MetricFamily> DeviceMetricFamilies(const std::vector<DeviceSample>& samples);

// A gauge without labels, for figures of the scrape itself.
prometheus::MetricFamily ScrapeDurationFamily(double seconds);

}  // namespace korva::ctl
