#pragma once
// A device played by the test on a real UDP socket (a loopback address, port 5010), for behaviour the
// simulator does not offer: it answers through a script on its own thread and keeps every request.
#include <string>
#include <utility>

#include "protocol/messages.h"
#include "tests/support/answering_peer.h"

namespace korva::ctl::testing {

class LoopbackDevice : public korva::testing::AnsweringPeer {
public:
    LoopbackDevice(const std::string& address, Script script)
        : AnsweringPeer(address, kDevicePort, std::move(script)) {}
};

}  // namespace korva::ctl::testing
