#pragma once
#include "protocol/reply_format.h"
#include "tools/korvactl/conversations/conversation.h"
#include "tools/korvactl/model/retry_policy.h"

#include <optional>
#include <string>

namespace korva::ctl {

// One request to one device, repeated after each time-out until the expected reply comes or the
// retries are used up: `status`, `params`, the write of `set`, and the status read before a reset.
struct Request {
    std::string bytes;
    ReplyKind answer;           // the reply that answers it
    language::Key description;  // for messages: "live-data request" (ctl.request.live_data)
};

class RequestConversation : public Conversation {
public:
    RequestConversation(DeviceTarget target, RecordSink& sink, Request request, RetryPolicy policy)
        : Conversation(std::move(target), sink), request_(std::move(request)), policy_(policy) {}

    void Start(Link& link) override;
    void OnReply(const DeviceReply& reply, Link& link) override;
    void OnDeadline(Link& link) override;

    // The answering reply, once it came, whole or cut short (DeviceReply::complete).
    const std::optional<DeviceReply>& Answer() const { return answer_; }
    // Requests that left: a send that failed is not one.
    int RequestsSent() const { return sent_; }
    // The device answered ERR: it did not do what it was asked.
    bool Refused() const { return refused_; }

private:
    void SendAttempt(Link& link);

    Request request_;
    RetryPolicy policy_;
    int attempts_ = 0;
    int sent_ = 0;
    bool refused_ = false;
    std::optional<DeviceReply> answer_;
};

}  // namespace korva::ctl
