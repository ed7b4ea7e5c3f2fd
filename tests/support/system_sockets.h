#pragma once
// sockaddr_in, inet_pton and the byte-order functions, from whichever header the system keeps them in.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#endif
