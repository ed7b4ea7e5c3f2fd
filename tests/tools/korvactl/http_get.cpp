#include "tests/tools/korvactl/http_get.h"

#include <civetweb.h>

#include <array>
#include <cctype>
#include <cstdio>

namespace korva::ctl::testing {

HttpReply HttpGet(const std::string& address, std::uint16_t port, const std::string& path,
                  const std::string& extraHeaders) {
    static const unsigned initialised = mg_init_library(0);
    (void)initialised;
    std::array<char, 256> error{};
    mg_connection* connection =
        mg_download(address.c_str(), port, 0, error.data(), error.size(), "GET %s HTTP/1.0\r\nHost: %s:%u\r\n%s\r\n",
                    path.c_str(), address.c_str(), port, extraHeaders.c_str());
    if (!connection)
        return {0, error.data()};
    HttpReply reply{mg_get_response_info(connection)->status_code, {}};
    std::array<char, 16384> chunk{};
    for (int got; (got = mg_read(connection, chunk.data(), chunk.size())) > 0;)
        reply.body.append(chunk.data(), static_cast<std::size_t>(got));
    mg_close_connection(connection);
    return reply;
}

std::string QueryValue(const std::string& text) {
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += c;
        } else {
            std::array<char, 4> escape{};
            std::snprintf(escape.data(), escape.size(), "%%%02X", byte);
            encoded += escape.data();
        }
    }
    return encoded;
}

}  // namespace korva::ctl::testing
