#include "transport/socket_errors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace korva::transport {
namespace {

std::string FirstLine(int code) {
    return "Socket Error # " + std::to_string(code) + "\r\n";
}

// The words after the first line, which is the same for every code.
std::string Words(const SocketError& error) {
    const std::string message = error.what();
    EXPECT_EQ(message.rfind(FirstLine(error.code()), 0), 0u) << message;
    return message.substr(std::min(message.size(), FirstLine(error.code()).size()));
}

// The failures operators meet most, in the words their manuals use, from the system's own number.
TEST(SocketErrors, CommonFailuresReadAsOperatorsKnowThem) {
    const struct {
        int errnoValue;
        int code;
        const char* words;
    } cases[] = {
        {EADDRNOTAVAIL, 10049, "Cannot assign requested address."},  // a device address not of this machine
        {ENETUNREACH, 10051, "Network is unreachable."},             // no route to the device's network
        {EACCES, 10013, "Access denied."},                           // a broadcast address without permission
    };
    for (const auto& c : cases) {
        const SocketError error = SocketErrorFromErrno(c.errnoValue);
        EXPECT_EQ(error.code(), c.code) << c.errnoValue;
        EXPECT_EQ(Words(error), c.words) << c.errnoValue;
        EXPECT_EQ(Words(SocketErrorFromCode(c.code)), c.words) << "as Windows reports it: " << c.code;
    }
}

// A local packet filter answers EPERM where Windows says access denied; a full buffer may come as
// either of two numbers. The operator reads one message for each.
TEST(SocketErrors, NumbersThatMeanTheSameReadTheSame) {
    for (const auto& [one, other] : {std::pair{EPERM, EACCES}, std::pair{ENOMEM, ENOBUFS}}) {
        EXPECT_EQ(std::string(SocketErrorFromErrno(one).what()), SocketErrorFromErrno(other).what()) << one;
        EXPECT_EQ(SocketErrorFromErrno(one).code(), SocketErrorFromErrno(other).code()) << one;
    }
}

// Every system number that has an operator's code has that code's words, and a number without one
// keeps its own number and shows the first line only, as an unknown code does.
TEST(SocketErrors, EveryCodeGivenHasWordsAndOthersShowTheirNumber) {
    for (int errnoValue = 1; errnoValue < 200; ++errnoValue) {
        const SocketError error = SocketErrorFromErrno(errnoValue);
        if (error.code() != errnoValue) {
            EXPECT_NE(Words(error), "") << "errno " << errnoValue << " became " << error.code();
        }
    }
    EXPECT_EQ(SocketErrorFromErrno(EIO).code(), EIO);
    EXPECT_EQ(Words(SocketErrorFromErrno(EIO)), "");
    for (const int unknown : {0, 12345, -1})
        EXPECT_EQ(SocketErrorMessage(unknown), FirstLine(unknown));
}

}  // namespace
}  // namespace korva::transport
