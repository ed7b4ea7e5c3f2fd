#include "console_port.h"

#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

std::uint16_t ConsolePortOfThisProcess() {
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    const auto last = static_cast<int>(files.rlim_cur < 4096 ? files.rlim_cur : 4096);
    for (int fd = 0; fd < last; ++fd) {
        int type = 0;
        socklen_t typeLength = sizeof type;
        sockaddr_in bound{};
        socklen_t length = sizeof bound;
        if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeLength) == 0 && type == SOCK_DGRAM &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) == 0 && bound.sin_family == AF_INET &&
            bound.sin_addr.s_addr == htonl(INADDR_ANY) && bound.sin_port != 0) {
            return ntohs(bound.sin_port);
        }
    }
    return 0;
}
