#pragma once
// What korvactl says to each device is a conversation; each kind has a file of its own.
#include "protocol/reply_format.h"
#include "protocol/unscramble.h"
#include "tools/korvactl/conversations/link.h"
#include "tools/korvactl/inputs/device_target.h"
#include "tools/korvactl/output/record_writers.h"

#include <optional>
#include <string>
#include <string_view>

namespace korva::ctl {

// A received datagram, decoded once for every conversation that hears it.
struct DeviceReply {
    Incoming datagram;
    PlainReply plain;
    std::string keyword;
    ReplyKind kind = ReplyKind::kUnknown;
    bool complete = true;  // ReplyReader::Complete: not cut short before a field its reading needs
};

// One device's part in a command: what it sends, when, and what it makes of the replies from its own
// address. The runner drives many conversations at once on one link, each with its own deadlines.
class Conversation {
public:
    Conversation(DeviceTarget target, RecordSink& sink) : target_(std::move(target)), sink_(sink) {}
    virtual ~Conversation() = default;
    Conversation(const Conversation&) = delete;
    Conversation& operator=(const Conversation&) = delete;

    const DeviceTarget& Target() const { return target_; }
    bool Finished() const { return finished_; }
    bool Succeeded() const { return succeeded_; }
    SteadyTime Deadline() const { return deadline_; }

    // The runner's calls. Start, OnReply and OnDeadline may throw transport::SocketError from a send.
    virtual void Start(Link& link) = 0;
    virtual void OnReply(const DeviceReply& reply, Link& link) = 0;
    virtual void OnDeadline(Link& link) = 0;
    // The user asked to stop. By default the device did not get its answer.
    virtual void OnInterrupt() { Fail({"ctl.failure.interrupted"}); }
    // A send failed or the name could not be resolved.
    void Fail(const language::Message& reason);

protected:
    void Send(Link& link, std::string_view request) { link.Send(target_.address, request); }
    void WakeAt(SteadyTime deadline) { deadline_ = deadline; }
    void Report(const DeviceReply& reply, std::optional<int> resetCommands = std::nullopt);
    // A reply that is the device's refusal: told with its bytes and why.
    void ReportRefusal(const DeviceReply& reply, const language::Message& reason);
    void ReportFailure(const language::Message& reason);
    void Finish(bool succeeded) {
        finished_ = true;
        succeeded_ = succeeded;
    }

private:
    DeviceTarget target_;
    RecordSink& sink_;
    SteadyTime deadline_{};
    bool finished_ = false;
    bool succeeded_ = false;
};

}  // namespace korva::ctl
