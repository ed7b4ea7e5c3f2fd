#include "transport/socket_start.h"

#include "transport/socket_errors.h"

#include <winsock2.h>

namespace korva::transport {

void StartSockets() {
    static const int started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    if (started != 0)
        throw SocketErrorFromCode(started);
}

}  // namespace korva::transport
