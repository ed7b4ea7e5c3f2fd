#include "transport/socket_errors.h"
#include "transport/system_errors.h"

#include <winsock2.h>

namespace korva::transport {

std::span<const ErrnoCode> SystemOnlyErrnoCodes() {
    return {};
}

// Winsock's error numbers are the operator's codes already.
SocketError LastSocketError() {
    return SocketErrorFromCode(WSAGetLastError());
}

}  // namespace korva::transport
