#include "transport/socket_errors.h"

#include "transport/system_errors.h"

#include <cerrno>
#include <string_view>

namespace korva::transport {
namespace {

struct CodeText {
    int code;
    std::string_view text;
};

// The operator's codes are Winsock's numbers; Windows reports them as they are.
constexpr CodeText kTexts[] = {
    {10004, "Interrupted system call."},
    {10009, "Bad file number."},
    {10013, "Access denied."},
    {10014, "Buffer fault."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Operation would block."},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on non-socket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported on socket."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Net dropped connection or reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Cannot send or receive after socket is closed."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10064, "Host is down."},
    {10065, "No route to host."},
    {kHostNotFound, "Host not found."},
};

// The errno values every C library the programs are built with has. Where two mean the same to an
// operator they share a code (EPERM is what a local packet filter answers; Windows says "access denied").
constexpr ErrnoCode kErrnoCodes[] = {
    {EINTR, 10004},
    {EBADF, 10009},
    {EACCES, 10013},
    {EPERM, 10013},
    {EFAULT, 10014},
    {EINVAL, 10022},
    {EMFILE, 10024},
    {EWOULDBLOCK, 10035},
    {EINPROGRESS, 10036},
    {EALREADY, 10037},
    {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043},
    {EOPNOTSUPP, 10045},
    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},
    {ENETUNREACH, 10051},
    {ENETRESET, 10052},
    {ECONNABORTED, 10053},
    {ECONNRESET, 10054},
    {ENOBUFS, 10055},
    {ENOMEM, 10055},
    {EISCONN, 10056},
    {ENOTCONN, 10057},
    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061},
    {EHOSTUNREACH, 10065},
};

}  // namespace

std::string SocketErrorMessage(int code) {
    std::string message = "Socket Error # " + std::to_string(code) + "\r\n";
    for (const CodeText& entry : kTexts) {
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
    for (const ErrnoCode& entry : kErrnoCodes) {
        if (entry.errnoValue == errnoValue)
            return entry.code;
    }
    for (const ErrnoCode& entry : SystemOnlyErrnoCodes()) {
        if (entry.errnoValue == errnoValue)
            return entry.code;
    }
    return errnoValue;
}

SocketError SocketErrorFromErrno(int errnoValue) {
    return SocketErrorFromCode(SocketErrorCodeForErrno(errnoValue));
}

}  // namespace korva::transport
