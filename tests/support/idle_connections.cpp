#include "tests/support/idle_connections.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "tests/support/loopback_address.h"

namespace korva::testing {

IdleConnections::IdleConnections(const std::string& address, std::uint16_t port, std::size_t count) {
    const sockaddr_in server = LoopbackAddress(address, port);
    for (std::size_t i = 0; i < count; ++i) {
        // Without waiting for the handshake: a server whose backlog is full leaves it pending for minutes.
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            break;
        if (connect(fd, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0 && errno != EINPROGRESS) {
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
