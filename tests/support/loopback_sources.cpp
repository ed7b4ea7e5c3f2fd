#include "tests/support/loopback_sources.h"

#include "tests/support/loopback_address.h"
#include "tests/support/loopback_peer.h"

namespace korva::testing {

bool LoopbackSourcesKept() {
    static const bool kept = [] {
        const LoopbackPeer sender("127.0.43.1");
        const LoopbackPeer receiver("127.0.43.2");
        sender.Send(receiver.Address(), receiver.Port(), "where from?");
        const auto heard = receiver.Receive();
        return heard && DottedQuad(heard->from) == sender.Address();
    }();
    return kept;
}

}  // namespace korva::testing
