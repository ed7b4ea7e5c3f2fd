#pragma once
#include "tools/korvactl/conversations/conversation.h"

#include <vector>

namespace korva::ctl {

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

}  // namespace korva::ctl
