#include "tools/korvactl/conversation_runner.h"

#include "protocol/messages.h"
#include "protocol/text_fields.h"
#include "transport/udp_endpoint.h"

#include <algorithm>

namespace korva::ctl {
namespace {

// Runs one step of a conversation; a failed send ends that device's conversation, not the others.
template <typename Step>
void Guarded(Conversation& conversation, Step step) {
    try {
        step();
    } catch (const transport::SocketError& error) {
        conversation.Fail(OneLine(error.what()));
    }
}

DeviceReply Decode(Incoming datagram) {
    DeviceReply reply{std::move(datagram), {}, {}};
    reply.plain = UnscrambleReply(Trim(reply.datagram.bytes));
    reply.keyword = ReplyKeyword(reply.plain.text, reply.plain.headerOffset);
    return reply;
}

}  // namespace

bool AllSucceeded(const std::vector<Conversation*>& conversations) {
    return std::all_of(conversations.begin(), conversations.end(),
                       [](const Conversation* conversation) { return conversation->Succeeded(); });
}

bool RunConversations(Link& link, const std::vector<Conversation*>& conversations) {
    for (Conversation* conversation : conversations) {
        if (!conversation->Target().error.empty())
            conversation->Fail(conversation->Target().error);
        else
            Guarded(*conversation, [&] { conversation->Start(link); });
    }
    std::vector<Conversation*> running = conversations;
    const auto dropFinished = [&] {
        std::erase_if(running, [](const Conversation* conversation) { return conversation->Finished(); });
    };
    dropFinished();

    while (!running.empty()) {
        const SteadyTime next =
            (*std::min_element(running.begin(), running.end(), [](const Conversation* a, const Conversation* b) {
                return a->Deadline() < b->Deadline();
            }))->Deadline();
        Incoming datagram;
        const WakeReason reason = link.WaitUntil(next, datagram);
        if (reason == WakeReason::kInterrupted) {
            for (Conversation* conversation : running)
                conversation->OnInterrupt();
            return false;
        }
        if (reason == WakeReason::kDatagram && !Trim(datagram.bytes).empty()) {
            const DeviceReply reply = Decode(std::move(datagram));
            for (Conversation* conversation : running) {
                if (!conversation->Finished() && conversation->Target().address == reply.datagram.from)
                    Guarded(*conversation, [&] { conversation->OnReply(reply, link); });
            }
        }
        // Deadlines are looked at after every wake-up, so a steady stream of datagrams cannot starve them.
        const SteadyTime now = link.Now();
        for (Conversation* conversation : running) {
            if (!conversation->Finished() && conversation->Deadline() <= now)
                Guarded(*conversation, [&] { conversation->OnDeadline(link); });
        }
        dropFinished();
    }
    return true;
}

}  // namespace korva::ctl
