// A ws2_32.dll in which no socket can be had, for the window test's copy of KorvaCfg.exe (loaded in
// place of Windows' own by WINEDLLOVERRIDES=ws2_32=n): Winsock starts, and every socket fails as when
// the system has none left to give. It exports what KorvaCfg.exe imports; nothing but socket and
// WSAStartup is reached before the program gives up.
#include <cstdint>

namespace {

constexpr int kSocketError = -1;
constexpr int kNoSocketsLeft = 10024;  // WSAEMFILE

}  // namespace

extern "C" {

__declspec(dllexport) int WSAStartup(std::uint16_t, void*) {
    return 0;
}
__declspec(dllexport) std::uintptr_t socket(int, int, int) {
    return ~std::uintptr_t{0};  // INVALID_SOCKET
}
__declspec(dllexport) int WSAGetLastError() {
    return kNoSocketsLeft;
}

// Never reached without a socket.
__declspec(dllexport) int WSACloseEvent(void*) {
    return 0;
}
__declspec(dllexport) void* WSACreateEvent() {
    return nullptr;
}
__declspec(dllexport) int WSAEnumNetworkEvents(std::uintptr_t, void*, void*) {
    return kSocketError;
}
__declspec(dllexport) int WSAEventSelect(std::uintptr_t, void*, long) {
    return kSocketError;
}
__declspec(dllexport) int WSAIoctl(std::uintptr_t, unsigned long, void*, unsigned long, void*, unsigned long,
                                   unsigned long*, void*, void*) {
    return kSocketError;
}
__declspec(dllexport) int bind(std::uintptr_t, const void*, int) {
    return kSocketError;
}
__declspec(dllexport) int closesocket(std::uintptr_t) {
    return 0;
}
__declspec(dllexport) void freeaddrinfo(void*) {}
__declspec(dllexport) int getaddrinfo(const char*, const char*, const void*, void**) {
    return kNoSocketsLeft;
}
__declspec(dllexport) int getsockname(std::uintptr_t, void*, int*) {
    return kSocketError;
}
__declspec(dllexport) std::uint32_t htonl(std::uint32_t value) {
    return __builtin_bswap32(value);
}
__declspec(dllexport) std::uint16_t htons(std::uint16_t value) {
    return __builtin_bswap16(value);
}
__declspec(dllexport) const char* inet_ntop(int, const void*, char*, std::size_t) {
    return nullptr;
}
__declspec(dllexport) std::uint32_t ntohl(std::uint32_t value) {
    return __builtin_bswap32(value);
}
__declspec(dllexport) std::uint16_t ntohs(std::uint16_t value) {
    return __builtin_bswap16(value);
}
__declspec(dllexport) int recvfrom(std::uintptr_t, char*, int, int, void*, int*) {
    return kSocketError;
}
__declspec(dllexport) int sendto(std::uintptr_t, const char*, int, int, const void*, int) {
    return kSocketError;
}
__declspec(dllexport) int setsockopt(std::uintptr_t, int, int, const char*, int) {
    return kSocketError;
}
__declspec(dllexport) int shutdown(std::uintptr_t, int) {
    return kSocketError;
}

}  // extern "C"
