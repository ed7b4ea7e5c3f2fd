#include "tools/korvactl/record_writers.h"

#include "tools/korvactl/output_error.h"
#include "tools/korvactl/record_json.h"

#include <ostream>

namespace korva::ctl {

void JsonLinesWriter::Write(const Record& record) {
    // A device name typed by the user need not be UTF-8; replacing beats refusing to print the line.
    out_ << RecordToJson(record).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    FlushOrThrow(out_);
}

void FailureEcho::Write(const Record& record) {
    if (!record.reply)
        err_ << "korvactl " << command_ << ": " << record.name << ": " << record.error << '\n' << std::flush;
    next_.Write(record);
}

}  // namespace korva::ctl
