#pragma once
// sockaddr_in, getaddrinfo, inet_ntop and the byte-order functions, from whichever headers the system
// keeps them in, for the code that is the same on every system.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif
