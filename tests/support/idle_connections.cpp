#include "tests/support/idle_connections.h"

#include <sys/socket.h>
#include <unistd.h>

#include "tests/support/loopback_address.h"

namespace korva::testing {

IdleConnections::IdleConnections(const std::string& address, std::uint16_t port, std::size_t count) {
    const sockaddr_in server = LoopbackAddress(address, port);
    for (std::size_t i = 0; i < count; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            break;
        if (connect(fd, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0) {
            close(fd);
            break;
        }
        sockets_.push_back(fd);
    }
}

IdleConnections::~IdleConnections() {
    for (const int fd : sockets_)
        close(fd);
}

}  // namespace korva::testing
