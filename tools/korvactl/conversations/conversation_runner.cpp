// The runner that drives many conversations on one link.
#include "tools/korvactl/conversations/conversation_runner.h"

#include "protocol/fields.h"
#include "protocol/messages.h"
#include "transport/udp_endpoint.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <unordered_map>
#include <utility>

namespace korva::ctl {

namespace {

// Runs one step of a conversation; a failed send ends that device's conversation, not the others.
template <typename Step>
void Guarded(Conversation& conversation, Step step) {
    try {
        step();
    } catch (const transport::SocketError& error) {
        conversation.Fail(language::Message::Verbatim(OneLine(error.what())));
    }
}

DeviceReply Decode(Incoming datagram) {
    DeviceReply reply{std::move(datagram), {}, {}};
    reply.plain = UnscrambleReply(Trim(reply.datagram.bytes));
    reply.keyword = ReplyKeyword(reply.plain.text, reply.plain.headerOffset);
    reply.kind = KindOfKeyword(reply.keyword);
    reply.complete = ReplyReader(reply.plain.text, reply.plain.headerOffset, reply.plain.formatVersion).Complete();
    return reply;
}

}  // namespace

bool AllSucceeded(const std::vector<Conversation*>& conversations) {
    return std::all_of(conversations.begin(), conversations.end(),
                       [](const Conversation* conversation) { return conversation->Succeeded(); });
}

namespace {

// How many conversations take a step between two looks at the interrupt when nothing waits: thousands
// of sends that fail at once never wait, and a look costs a system call.
constexpr std::size_t kStepsBetweenLooks = 256;

void InterruptAll(const std::vector<Conversation*>& conversations) {
    for (Conversation* conversation : conversations) {
        if (!conversation->Finished())
            conversation->OnInterrupt();
    }
}

}  // namespace

bool RunConversations(Link& link, const std::vector<Conversation*>& conversations) {
    // A search of a /16 runs 65,536 conversations: the sender's conversations are looked up by address
    // and the next deadline is kept in order, so a reply or a wake-up costs no pass over all of them.
    // Indexes keep the order of the list wherever two conversations act at the same moment.
    std::unordered_map<std::string, std::vector<std::size_t>> byAddress;
    std::set<std::pair<SteadyTime, std::size_t>> deadlines;
    std::vector<SteadyTime> scheduled(conversations.size());
    const auto reschedule = [&](std::size_t i) {
        deadlines.erase({scheduled[i], i});
        if (!conversations[i]->Finished()) {
            scheduled[i] = conversations[i]->Deadline();
            deadlines.insert({scheduled[i], i});
        }
    };
    for (std::size_t i = 0; i < conversations.size(); ++i) {
        // The first look comes before the first send: a request to stop that came while nothing was
        // waited for (the question, a name lookup, the steps before) sends nothing new.
        if (i % kStepsBetweenLooks == 0 && link.InterruptRequested()) {
            InterruptAll(conversations);
            return false;
        }
        Conversation& conversation = *conversations[i];
        if (!conversation.Target().error.empty())
            conversation.Fail(language::Message::Verbatim(conversation.Target().error));
        else
            Guarded(conversation, [&] { conversation.Start(link); });
        if (!conversation.Finished()) {
            byAddress[conversation.Target().address].push_back(i);
            scheduled[i] = conversation.Deadline();
            deadlines.insert({scheduled[i], i});
        }
    }

    while (!deadlines.empty()) {
        Incoming datagram;
        const WakeReason reason = link.WaitUntil(deadlines.begin()->first, datagram);
        if (reason == WakeReason::kInterrupted) {
            InterruptAll(conversations);
            return false;
        }
        if (reason == WakeReason::kDatagram && !Trim(datagram.bytes).empty()) {
            if (const auto hearers = byAddress.find(datagram.from); hearers != byAddress.end()) {
                const DeviceReply reply = Decode(std::move(datagram));
                for (const std::size_t i : hearers->second) {
                    if (conversations[i]->Finished())
                        continue;
                    Guarded(*conversations[i], [&] { conversations[i]->OnReply(reply, link); });
                    reschedule(i);
                }
            }
        }
        // Deadlines are looked at after every wake-up, so a steady stream of datagrams cannot starve them.
        // Those due now are collected first: a conversation whose next deadline has passed already waits
        // for the next wake-up, as each one gets one step per wake-up.
        const SteadyTime now = link.Now();
        std::vector<std::size_t> due;
        for (auto next = deadlines.begin(); next != deadlines.end() && next->first <= now; ++next)
            due.push_back(next->second);
        std::sort(due.begin(), due.end());
        for (std::size_t step = 0; step < due.size(); ++step) {
            if (step % kStepsBetweenLooks == kStepsBetweenLooks - 1 && link.InterruptRequested()) {
                InterruptAll(conversations);
                return false;
            }
            const std::size_t i = due[step];
            Guarded(*conversations[i], [&] { conversations[i]->OnDeadline(link); });
            reschedule(i);
        }
    }
    // Every conversation may have ended without a single wait; the caller may be about to start more.
    return !link.InterruptRequested();
}

}  // namespace korva::ctl
