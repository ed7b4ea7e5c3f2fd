#include "transport/socket_errors.h"

#include <cerrno>
#include <string_view>

namespace korva::transport {
namespace {

struct ErrorEntry {
    int errnoValue;  // 0: the code has no errno counterpart
    int code;
    std::string_view text;
};

// One table for the whole mapping. Where two errno values mean the same to an operator they share a
// code (EPERM is what a local packet filter answers; the original platform said "access denied").
constexpr ErrorEntry kErrors[] = {
    {EINTR, 10004, "Interrupted system call."},
    {EBADF, 10009, "Bad file number."},
    {EACCES, 10013, "Access denied."},
    {EPERM, 10013, "Access denied."},
    {EFAULT, 10014, "Buffer fault."},
    {EINVAL, 10022, "Invalid argument."},
    {EMFILE, 10024, "Too many open files."},
    {EWOULDBLOCK, 10035, "Operation would block."},
    {EINPROGRESS, 10036, "Operation now in progress."},
    {EALREADY, 10037, "Operation already in progress."},
    {ENOTSOCK, 10038, "Socket operation on non-socket."},
    {EDESTADDRREQ, 10039, "Destination address required."},
    {EMSGSIZE, 10040, "Message too long."},
    {EPROTOTYPE, 10041, "Protocol wrong type for socket."},
    {ENOPROTOOPT, 10042, "Bad protocol option."},
    {EPROTONOSUPPORT, 10043, "Protocol not supported."},
    {ESOCKTNOSUPPORT, 10044, "Socket type not supported."},
    {EOPNOTSUPP, 10045, "Operation not supported on socket."},
    {EPFNOSUPPORT, 10046, "Protocol family not supported."},
    {EAFNOSUPPORT, 10047, "Address family not supported by protocol family."},
    {EADDRINUSE, 10048, "Address already in use."},
    {EADDRNOTAVAIL, 10049, "Cannot assign requested address."},
    {ENETDOWN, 10050, "Network is down."},
    {ENETUNREACH, 10051, "Network is unreachable."},
    {ENETRESET, 10052, "Net dropped connection or reset."},
    {ECONNABORTED, 10053, "Software caused connection abort."},
    {ECONNRESET, 10054, "Connection reset by peer."},
    {ENOBUFS, 10055, "No buffer space available."},
    {ENOMEM, 10055, "No buffer space available."},
    {EISCONN, 10056, "Socket is already connected."},
    {ENOTCONN, 10057, "Socket is not connected."},
    {ESHUTDOWN, 10058, "Cannot send or receive after socket is closed."},
    {ETIMEDOUT, 10060, "Connection timed out."},
    {ECONNREFUSED, 10061, "Connection refused."},
    {EHOSTDOWN, 10064, "Host is down."},
    {EHOSTUNREACH, 10065, "No route to host."},
    {0, kHostNotFound, "Host not found."},
};

}  // namespace

std::string SocketErrorMessage(int code) {
    std::string message = "Socket Error # " + std::to_string(code) + "\r\n";
    for (const ErrorEntry& entry : kErrors) {
        if (entry.code == code) {
            message += entry.text;
            break;
        }
    }
    return message;
}

SocketError SocketErrorFromCode(int code) {
    return SocketError(code, SocketErrorMessage(code));
}

int SocketErrorCodeForErrno(int errnoValue) {
    for (const ErrorEntry& entry : kErrors) {
        if (entry.errnoValue != 0 && entry.errnoValue == errnoValue)
            return entry.code;
    }
    return errnoValue;
}

SocketError SocketErrorFromErrno(int errnoValue) {
    return SocketErrorFromCode(SocketErrorCodeForErrno(errnoValue));
}

}  // namespace korva::transport
