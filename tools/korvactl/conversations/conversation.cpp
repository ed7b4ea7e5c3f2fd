#include "tools/korvactl/conversations/conversation.h"

#include <chrono>

namespace korva::ctl {

void Conversation::Fail(const language::Message& reason) {
    ReportFailure(reason);
    Finish(false);
}

void Conversation::ReportFailure(const language::Message& reason) {
    sink_.Write(Record{target_.name, std::chrono::system_clock::now(), std::nullopt, reason, std::nullopt});
}

void Conversation::ReportRefusal(const DeviceReply& reply, const language::Message& reason) {
    sink_.Write(Record{target_.name, reply.datagram.receivedAt, reply.datagram.bytes, reason, std::nullopt});
}

void Conversation::Report(const DeviceReply& reply, std::optional<int> resetCommands) {
    sink_.Write(Record{target_.name, reply.datagram.receivedAt, reply.datagram.bytes,
                       reply.complete ? language::Message() : IncompleteReply(reply.kind), resetCommands});
}

}  // namespace korva::ctl
