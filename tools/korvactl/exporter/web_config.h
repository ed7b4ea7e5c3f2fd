#pragma once
// --web-config FILE: TLS and passwords in the file format of Prometheus's exporter toolkit, which
// operators already write for node, blackbox and snmp exporters:
//
//   tls_server_config:
//     cert_file: exporter.crt          # PEM; relative to the file's folder
//     key_file: exporter.key
//     client_auth_type: RequireAndVerifyClientCert   # or VerifyClientCertIfGiven, NoClientCert (default)
//     client_ca_file: clients-ca.crt
//   basic_auth_users:
//     prometheus: $2y$10$...           # bcrypt
//
// The file is read once, at start, and every fault is refused then, with its line and the reason.
#include <map>
#include <optional>
#include <string>

namespace korva::ctl {

enum class ClientAuth {
    kNone,              // NoClientCert
    kVerifyIfGiven,     // VerifyClientCertIfGiven: a certificate that is sent must be signed by the CA
    kRequireAndVerify,  // RequireAndVerifyClientCert
};

struct TlsServerConfig {
    std::string certificate;  // PEM texts, read from the files named
    std::string key;
    ClientAuth clientAuth = ClientAuth::kNone;
    std::string clientCa;
};

struct WebConfig {
    std::optional<TlsServerConfig> tls;
    std::map<std::string, std::string> users;  // name → bcrypt hash; empty: no password asked
};

// nullopt with "FILE: line N: reason" (or why the file cannot be read) in error.
std::optional<WebConfig> ReadWebConfig(const std::string& path, std::string& error);

// The settings as the file's text gives them, for the file named path (whose folder relative file
// names start from).
std::optional<WebConfig> ParseWebConfig(const std::string& text, const std::string& path, std::string& error);

}  // namespace korva::ctl
