#pragma once
// What korvactl says to each device, as conversations a runner drives many at a time: one request
// (status, params, set), automatic mode (watch), the reset, one address of a search, and the survey of a
// scrape.
#include "protocol/device_session.h"
#include "protocol/messages.h"
#include "protocol/reply_format.h"
#include "protocol/unscramble.h"
#include "tools/korvactl/conversations/link.h"
#include "tools/korvactl/inputs/device_target.h"
#include "tools/korvactl/output/record_writers.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korva::ctl {

// One device's part in a command: what it sends, when, and what it makes of the replies from its own
// address. The runner drives many conversations at once on one link, each with its own deadlines.
// A received datagram, decoded once for every conversation that hears it.
struct DeviceReply {
    Incoming datagram;
    PlainReply plain;
    std::string keyword;
    ReplyKind kind = ReplyKind::kUnknown;
};

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
    virtual void OnInterrupt() { Fail("interrupted"); }
    // A send failed or the name could not be resolved.
    void Fail(const std::string& reason);

protected:
    void Send(Link& link, std::string_view request) { link.Send(target_.address, request); }
    void WakeAt(SteadyTime deadline) { deadline_ = deadline; }
    void Report(const DeviceReply& reply, std::optional<int> resetCommands = std::nullopt);
    void ReportFailure(const std::string& reason);
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

// Drives several devices' conversations at once on one link: starts them, hands each reply to the
// conversations of its sender's address (replies from anywhere else are ignored), wakes each one at its
// own deadline, and stops them all when the user interrupts.
// Returns when every conversation has finished; false when the user interrupted.
bool RunConversations(Link& link, const std::vector<Conversation*>& conversations);

template <typename Owned>
std::vector<Conversation*> Pointers(const std::vector<Owned>& conversations) {
    std::vector<Conversation*> pointers;
    for (const auto& conversation : conversations)
        pointers.push_back(conversation.get());
    return pointers;
}

// True when every conversation succeeded.
bool AllSucceeded(const std::vector<Conversation*>& conversations);

// One request to one device, repeated after each time-out until the expected reply comes or the
// retries are used up: `status`, `params`, the write of `set`, and the status read before a reset.
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
    // Requests that left: a send that failed is not one.
    int RequestsSent() const { return sent_; }

private:
    void SendAttempt(Link& link);

    Request request_;
    RetryPolicy policy_;
    int attempts_ = 0;
    int sent_ = 0;
    std::optional<DeviceReply> answer_;
};

// Automatic mode without a window: every interval the automatic parameter request (until the device
// has answered one) and the live-data request. Every reply from the device is reported; a round whose
// live data did not come before the next round is reported as missed.
struct WatchSettings {
    std::chrono::milliseconds interval{500};
    std::optional<int> rounds;  // none: until interrupted
};

class WatchConversation : public Conversation {
public:
    WatchConversation(DeviceTarget target, RecordSink& sink, WatchSettings settings)
        : Conversation(std::move(target), sink), settings_(settings) {}

    void Start(Link& link) override;
    void OnReply(const DeviceReply& reply, Link& link) override;
    void OnDeadline(Link& link) override;
    // Stopping by Ctrl-C is the normal end of a watch; only missed rounds make it a failure.
    void OnInterrupt() override { Finish(missed_ == 0); }

    int MissedRounds() const { return missed_; }

private:
    void Tick(Link& link);

    WatchSettings settings_;
    DeviceSession session_;  // polling as the console does it; a watch never resets
    SteadyTime first_{};
    int rounds_ = 0;
    int missed_ = 0;
    bool answered_ = true;  // the live data of the last round came
};

// The reset of automatic mode: the reset command with the device's echo number, repeated 500 ms apart
// (the console's polling period; apply can shorten it) until the device acknowledges it or the session's
// attempts have gone out.
inline constexpr std::chrono::milliseconds kResetSpacing{500};

class ResetConversation : public Conversation {
public:
    // lastWait: how long an acknowledgement of the last command is waited for (at least the spacing).
    ResetConversation(DeviceTarget target, RecordSink& sink, std::int32_t echo, std::chrono::milliseconds lastWait,
                      std::chrono::milliseconds spacing = kResetSpacing)
        : Conversation(std::move(target), sink), spacing_(spacing), lastWait_(std::max(lastWait, spacing)) {
        session_.HeardStatus(echo);
        session_.StartReset();
    }

    void Start(Link& link) override;
    void OnReply(const DeviceReply& reply, Link& link) override;
    void OnDeadline(Link& link) override;

private:
    void SendCommand(Link& link);

    DeviceSession session_;
    std::chrono::milliseconds spacing_;
    std::chrono::milliseconds lastWait_;
    SteadyTime first_{};
};

// The reset of several devices, as `reset` and `apply` do it: each one's echo number from a live-data
// request, then the reset command until acknowledged.
struct ResetOutcome {
    std::vector<bool> acknowledged;  // one per target, in their order
    bool interrupted = false;
};

// statusFailures hears of the devices that gave no status reply; results gets each acknowledgement, each
// reset failure, and the devices the user's interruption left unreset.
ResetOutcome ResetDevices(Link& link, const std::vector<DeviceTarget>& targets, RecordSink& statusFailures,
                          RecordSink& results, const RetryPolicy& retry, std::chrono::milliseconds spacing);

// One address of a search: a parameter request at its turn in the pace, then a wait for the reply until
// the time-out has passed since the search's last request. Counting from the search's last request,
// not this address's own: thousands of requests sent in one go take longer than a time-out, and the
// replies to the first ones wait unread meanwhile. Silence is no failure here, since most addresses of a
// site's range hold no device: an address that does not answer leaves no record.
// Shared by the conversations of one search.
struct ScanProgress {
    std::uint64_t unasked = 0;  // addresses whose request has not gone out yet
    SteadyTime lastPlanned{};   // when the last request is due to go out
    SteadyTime lastAsked{};
};

class ScanConversation : public Conversation {
public:
    ScanConversation(DeviceTarget target, RecordSink& sink, ScanProgress& progress, SteadyTime sendAt,
                     std::chrono::milliseconds timeout)
        : Conversation(std::move(target), sink), progress_(progress), sendAt_(sendAt), timeout_(timeout) {
        ++progress_.unasked;
    }

    void Start(Link& link) override;
    void OnReply(const DeviceReply& reply, Link& link) override;
    void OnDeadline(Link& link) override;
    void OnInterrupt() override { Finish(false); }

    bool Asked() const { return asked_; }

private:
    void Ask(Link& link);

    ScanProgress& progress_;
    SteadyTime sendAt_;
    std::chrono::milliseconds timeout_;
    bool asked_ = false;
};

// What a scrape learns from each device: its live data and its parameters, both asked at once and
// each request repeated within the scrape's time budget, so one lost datagram does not make the device
// look down.
struct DeviceSample {
    std::string name;  // as it was asked for
    std::optional<StatusReading> status;
    std::optional<ParameterReading> parameters;
    std::optional<WallTime> lastReply;  // the latest reply of this scrape, or one remembered from before
    bool restartPending = false;

    bool Answered() const { return status || parameters; }
};

// Returns one sample per target, in the targets' order; an interruption ends the survey early with
// what has come so far.
std::vector<DeviceSample> SurveyDevices(Link& link, const std::vector<DeviceTarget>& targets,
                                        std::chrono::milliseconds budget);

}  // namespace korva::ctl
