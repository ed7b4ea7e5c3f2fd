#include "tests/tools/korvactl/web_credentials.h"

#include "tests/tools/korvactl/programs.h"

#include <crypt.h>

#include <fstream>

namespace korva::ctl::testing {

std::string BcryptHash(const std::string& password) {
    crypt_data data{};
    const char* salt = crypt_gensalt_rn("$2b$", 4, nullptr, 0, data.setting, sizeof data.setting);
    const char* hash = salt ? crypt_r(password.c_str(), salt, &data) : nullptr;
    return hash ? hash : "";
}

namespace {

// openssl's arguments for a new P-256 key and a self-signed CA certificate, or a request to sign.
std::vector<std::string> NewCa(const std::string& folder, const std::string& name) {
    return {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2",
            "-subj", "/CN=" + name, "-keyout", folder + "/" + name + ".key", "-out", folder + "/" + name + ".crt"};
}

std::vector<std::string> NewRequest(const std::string& folder, const std::string& name, const std::string& subject) {
    return {"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-subj", "/CN=" + subject,
            "-keyout", folder + "/" + name + ".key", "-out", folder + "/" + name + ".csr"};
}

std::vector<std::string> Sign(const std::string& folder, const std::string& name, const std::string& ca,
                              const std::string& extensions) {
    std::vector<std::string> step = {"x509", "-req", "-in", folder + "/" + name + ".csr", "-CA",
                                     folder + "/" + ca + ".crt", "-CAkey", folder + "/" + ca + ".key",
                                     "-CAcreateserial", "-days", "2", "-out", folder + "/" + name + ".crt"};
    if (!extensions.empty())
        step.insert(step.end(), {"-extfile", extensions});
    return step;
}

}  // namespace

WebCredentials MakeWebCredentials(const std::string& folder, const std::string& address, const std::string& user,
                                  const std::string& password, bool clientCertificates) {
    WebCredentials made;
    const std::string openssl = FindProgram("openssl");
    if (openssl.empty()) {
        made.problem = "openssl is not installed (scripts/ensure-packages.sh: MONITORING_PACKAGES)";
        return made;
    }
    std::ofstream(folder + "/server.ext") << "subjectAltName=IP:" << address << "\n";
    std::vector<std::vector<std::string>> steps = {NewCa(folder, "ca"), NewRequest(folder, "exporter", address),
                                                   Sign(folder, "exporter", "ca", folder + "/server.ext")};
    if (clientCertificates) {
        steps.insert(steps.end(), {NewRequest(folder, "client", "prometheus"), Sign(folder, "client", "ca", ""),
                                   NewCa(folder, "stranger-ca"), NewRequest(folder, "stranger", "prometheus"),
                                   Sign(folder, "stranger", "stranger-ca", "")});
    }
    for (const auto& step : steps) {
        const Finished run = RunToEnd(openssl, step);
        if (run.exitStatus != 0) {
            made.problem = "openssl " + step.front() + " failed: " + run.err;
            return made;
        }
    }
    std::ofstream config(folder + "/web.yml");
    // File names relative to the file's own folder, as an operator writes them beside it.
    config << "tls_server_config:\n  cert_file: exporter.crt\n  key_file: exporter.key\n";
    if (clientCertificates)
        config << "  client_auth_type: RequireAndVerifyClientCert\n  client_ca_file: ca.crt\n";
    if (!user.empty())
        config << "basic_auth_users:\n  " << user << ": " << BcryptHash(password) << "\n";
    made.caFile = folder + "/ca.crt";
    made.webConfig = folder + "/web.yml";
    if (clientCertificates) {
        made.clientCertificate = folder + "/client.crt";
        made.clientKey = folder + "/client.key";
        made.strangerCertificate = folder + "/stranger.crt";
        made.strangerKey = folder + "/stranger.key";
    }
    return made;
}

}  // namespace korva::ctl::testing
