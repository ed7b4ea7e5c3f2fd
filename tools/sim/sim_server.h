#pragma once
// The simulator on the network: a UDP socket per address listened on, each device answering from its
// own address to the sender's address and port.
#include "tools/sim/sim_options.h"

#include <ostream>

namespace korva::sim {

// Serves until stopFd becomes readable. Prints one line when it is ready to answer, and with
// options.verbose one line per request and reply. Returns the process exit status.
int RunSimulator(const SimOptions& options, int stopFd, std::ostream& out, std::ostream& errors);

}  // namespace korva::sim
