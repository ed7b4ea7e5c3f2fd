#include "transport/socket_errors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace korva::transport {
namespace {

struct ErrnoCase {
    int errnoValue;
    int code;
    const char* message;
};

TEST(SocketErrors, SystemErrorsBecomeTheOperatorsCodesAndTexts) {
    const ErrnoCase cases[] = {
        {EADDRNOTAVAIL, 10049, "Socket Error # 10049\r\nCannot assign requested address."},
        {ENETDOWN, 10050, "Socket Error # 10050\r\nNetwork is down."},
        {ENETUNREACH, 10051, "Socket Error # 10051\r\nNetwork is unreachable."},
        {ENOBUFS, 10055, "Socket Error # 10055\r\nNo buffer space available."},
        {EACCES, 10013, "Socket Error # 10013\r\nAccess denied."},
        {EPERM, 10013, "Socket Error # 10013\r\nAccess denied."},
        {EHOSTUNREACH, 10065, "Socket Error # 10065\r\nNo route to host."},
        // No counterpart: the number stays and the message has its first line only.
        {EIO, EIO, nullptr},
    };
    for (const ErrnoCase& c : cases) {
        const SocketError error = SocketErrorFromErrno(c.errnoValue);
        EXPECT_EQ(error.code(), c.code) << c.errnoValue;
        const std::string expected = c.message ? c.message : "Socket Error # " + std::to_string(c.errnoValue) + "\r\n";
        EXPECT_EQ(std::string(error.what()), expected) << c.errnoValue;
    }
}

TEST(SocketErrors, CodeWithoutTextGivesFirstLineAndLineBreak) {
    EXPECT_EQ(SocketErrorMessage(11001), "Socket Error # 11001\r\nHost not found.");
    EXPECT_EQ(SocketErrorMessage(12345), "Socket Error # 12345\r\n");
    EXPECT_EQ(SocketErrorMessage(0), "Socket Error # 0\r\n");
}

}  // namespace
}  // namespace korva::transport
