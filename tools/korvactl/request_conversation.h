#pragma once
// One request to one device, repeated after each time-out until the expected reply comes or the
// retries are used up: `status`, `params`, the write of `set`, and the status read before a reset.
#include "tools/korvactl/conversation.h"

#include <chrono>
#include <optional>
#include <string>

namespace korva::ctl {

struct RetryPolicy {
    std::chrono::milliseconds timeout{1000};
    int retries = 2;  // requests after the first
};

struct Request {
    std::string bytes;
    ReplyKind answer;         // the reply that answers it
    std::string description;  // for messages: "live-data request"
};

class RequestConversation : public Conversation {
public:
    RequestConversation(DeviceTarget target, RecordSink& sink, Request request, RetryPolicy policy)
        : Conversation(std::move(target), sink), request_(std::move(request)), policy_(policy) {}

    void Start(Link& link) override;
    void OnReply(const DeviceReply& reply, Link& link) override;
    void OnDeadline(Link& link) override;

    // The answering reply, once it came.
    const std::optional<DeviceReply>& Answer() const { return answer_; }

private:
    void SendAttempt(Link& link);

    Request request_;
    RetryPolicy policy_;
    int attempts_ = 0;
    std::optional<DeviceReply> answer_;
};

}  // namespace korva::ctl
