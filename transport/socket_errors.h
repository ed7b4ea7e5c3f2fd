#pragma once
// The endpoint reports failures in the form the console's operators know from the device's original
// platform: "Socket Error # <code>" CR LF <text>, with that platform's code numbers. This file turns
// the local system's errno values into those codes and builds the messages.
#include "transport/udp_endpoint.h"

#include <string>

namespace korva::transport {

inline constexpr int kHostNotFound = 11001;
inline constexpr int kCannotAssignRequestedAddress = 10049;
inline constexpr int kSocketOperationOnNonSocket = 10038;

// The endpoint's own failures; they carry no code (0).
inline constexpr const char* kPackageSizeTooBig = "Package Size Too Big.";
inline constexpr const char* kNotAllBytesSent = "Not all bytes sent.";
inline constexpr const char* kCannotAllocateSocket = "Cannot allocate socket.";
inline constexpr const char* kCannotBindAddressInUse = "Could not bind socket. Address and port are already in use.";

// "Socket Error # <code>" CR LF and the code's text; a code without a text ends after the CR LF.
std::string SocketErrorMessage(int code);
SocketError SocketErrorFromCode(int code);

// The code for a system error number; an errno without a counterpart keeps its own number.
int SocketErrorCodeForErrno(int errnoValue);
SocketError SocketErrorFromErrno(int errnoValue);

}  // namespace korva::transport
