#pragma once
// One HTTP GET from a test to a server on a loopback address: the exporter or Prometheus.
#include <cstdint>
#include <string>

namespace korva::ctl::testing {

struct HttpReply {
    int status = 0;    // 0 when no answer came (connection refused, ...)
    std::string body;  // or why there is no answer
};

// path: with its query, already encoded. extraHeaders: whole header lines, each ending in CR LF.
HttpReply HttpGet(const std::string& address, std::uint16_t port, const std::string& path,
                  const std::string& extraHeaders = {});

// The text as one query value: everything but letters, digits and "-._~" percent-encoded.
std::string QueryValue(const std::string& text);

}  // namespace korva::ctl::testing
