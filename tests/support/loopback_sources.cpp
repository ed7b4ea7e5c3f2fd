#include "tests/support/loopback_sources.h"

#include "tests/support/loopback_address.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/suite_addresses.h"

namespace korva::testing {

bool LoopbackSourcesKept() {
    static const bool kept = [] {
        const SuiteAddresses addresses{"loopback_sources"};
        const LoopbackPeer sender(addresses[1]);
        const LoopbackPeer receiver(addresses[2]);
        sender.Send(receiver.Address(), receiver.Port(), "where from?");
        const auto heard = receiver.Receive();
        return heard && DottedQuad(heard->from) == sender.Address();
    }();
    return kept;
}

}  // namespace korva::testing
