#pragma once
// A record as JSON: the decoded reply (the keys of `korvactl decode`) after "address" and
// "received_at", or "address", "failed_at" and "error".
#include "tools/korvactl/record.h"

#include <nlohmann/json.hpp>

#include <string>

namespace korva::ctl {

nlohmann::ordered_json RecordToJson(const Record& record);

}  // namespace korva::ctl
