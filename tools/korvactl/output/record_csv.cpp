// CsvWriter: every record as a line of comma-separated values.
#include "tools/korvactl/output/record_writers.h"

#include <nlohmann/json.hpp>

#include <ostream>

namespace korva::ctl {

namespace {

// The record's values by key, nested objects taken apart: {"parameters": {"mask": ...}} gives
// "parameters.mask".
void FlattenJson(const nlohmann::ordered_json& json, const std::string& prefix, std::vector<std::string>& keys,
                 std::vector<std::string>& values) {
    for (const auto& [key, value] : json.items()) {
        const std::string name = prefix.empty() ? key : prefix + "." + key;
        if (value.is_object()) {
            FlattenJson(value, name, keys, values);
            continue;
        }
        keys.push_back(name);
        values.push_back(value.is_string() ? value.get<std::string>()
                         : value.is_null() ? std::string()
                                           : value.dump());
    }
}

}  // namespace

void CsvWriter::Flatten(const Record& record, std::vector<std::string>& keys, std::vector<std::string>& values) const {
    nlohmann::ordered_json json = RecordToJson(record);
    if (!withPlain_)
        json.erase("plain");
    FlattenJson(json, "", keys, values);
}

void CsvWriter::Write(const Record& record) {
    std::vector<std::string> keys;
    std::vector<std::string> values;
    Flatten(record, keys, values);
    if (keys != header_) {
        out_ << CsvLine(keys);
        header_ = std::move(keys);
    }
    out_ << CsvLine(values);
}

void CsvWriter::Begin(ReplyKind kind) {
    std::vector<std::string> values;
    header_.clear();
    Flatten(SampleRecord(kind), header_, values);
    out_ << CsvLine(header_);
    FlushOrThrow(out_);
}

void CsvWriter::Flush() {
    FlushOrThrow(out_);
}

}  // namespace korva::ctl
