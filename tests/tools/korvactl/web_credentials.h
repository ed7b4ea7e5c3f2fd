#pragma once
// What a test needs to serve the exporter over HTTPS with passwords: a CA and a server certificate
// for a loopback address, made by openssl in the test's folder, a bcrypt hash made by the system's
// crypt, and the --web-config file that names them.
#include <string>

namespace korva::ctl::testing {

struct WebCredentials {
    std::string caFile;     // the CA that signed the server's certificate, for the clients
    std::string webConfig;  // the file for --web-config
    std::string problem;    // why they could not be made; empty when they were
    // With client certificates: one the CA signed, and one signed by a CA of its own.
    std::string clientCertificate, clientKey, strangerCertificate, strangerKey;
};

// In folder: a certificate for the IPv4 address and, when user is not empty, basic_auth_users with
// user's password as a bcrypt hash of cost 4 (the lowest, for speed). clientCertificates: the server
// requires a client certificate its CA signed (RequireAndVerifyClientCert).
WebCredentials MakeWebCredentials(const std::string& folder, const std::string& address, const std::string& user,
                                  const std::string& password, bool clientCertificates = false);

// The password as the system's crypt hashes it with bcrypt.
std::string BcryptHash(const std::string& password);

}  // namespace korva::ctl::testing
