#include "tools/korvactl/standard_descriptors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace korva::ctl {

void HoldClosedStandardDescriptors() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // open() takes the lowest free descriptor, which is fd: the ones below it are open by now.
            [[maybe_unused]] const int held = open("/dev/null", O_RDONLY);
        }
    }
}

}  // namespace korva::ctl
