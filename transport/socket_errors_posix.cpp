#include "transport/socket_errors.h"
#include "transport/system_errors.h"

#include <cerrno>

namespace korva::transport {
namespace {

constexpr ErrnoCode kPosixOnly[] = {
    {ESOCKTNOSUPPORT, 10044},
    {EPFNOSUPPORT, 10046},
    {ESHUTDOWN, 10058},
    {EHOSTDOWN, 10064},
};

}  // namespace

std::span<const ErrnoCode> SystemOnlyErrnoCodes() {
    return kPosixOnly;
}

SocketError LastSocketError() {
    return SocketErrorFromErrno(errno);
}

}  // namespace korva::transport
