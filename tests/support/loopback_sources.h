#pragma once
// Whether this system keeps a peer's loopback address as the source of what it sends. Linux and Windows
// do. Wine binds a UDP socket bound to an address of a local interface to every address instead, with
// the interface chosen (so that it hears broadcasts as on Windows): whichever loopback address a peer was
// bound to, its datagrams arrive from 127.0.0.1, and its port is taken on every address. Tests that tell
// peers apart by their addresses skip there.
#include <string>

namespace korva::testing {

// Asks once, with two peers on addresses of its own, then remembers.
bool LoopbackSourcesKept();

inline const std::string kLoopbackSourcesLost =
    "this system sends from 127.0.0.1 whatever loopback address a peer is bound to (Wine)";

}  // namespace korva::testing
