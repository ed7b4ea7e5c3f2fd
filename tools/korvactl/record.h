#pragma once
// One line of korvactl's output: a device's reply, or why there is none.
#include "tools/korvactl/link.h"

#include <optional>
#include <string>

namespace korva::ctl {

struct Record {
    std::string name;                  // the device as the user named it
    WallTime at;                       // when the reply came, or when the command gave up
    std::optional<std::string> reply;  // the datagram's bytes
    std::string error;                 // set when there is no reply
    std::optional<int> resetCommands;  // for a reset: how many commands went out before the acknowledgement
};

class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void Write(const Record& record) = 0;
};

}  // namespace korva::ctl
