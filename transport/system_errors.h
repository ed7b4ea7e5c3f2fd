#pragma once
// What socket_errors.cpp and the socket code learn from the system they are built for; each system's
// answers are in socket_errors_posix.cpp or socket_errors_win32.cpp.
#include <span>

#include "transport/udp_endpoint.h"

namespace korva::transport {

struct ErrnoCode {
    int errnoValue;
    int code;
};

// The errno values that only this system's C library has, with their codes.
std::span<const ErrnoCode> SystemOnlyErrnoCodes();

// The failure of the last socket call on this thread, with the operator's code.
SocketError LastSocketError();

}  // namespace korva::transport
