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

WebCredentials MakeWebCredentials(const std::string& folder, const std::string& address, const std::string& user,
                                  const std::string& password) {
    const std::string openssl = FindProgram("openssl");
    if (openssl.empty())
        return {"", "", "openssl is not installed (scripts/ensure-packages.sh: MONITORING_PACKAGES)"};
    std::ofstream(folder + "/server.ext") << "subjectAltName=IP:" << address << "\n";
    const std::vector<std::vector<std::string>> steps = {
        {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
         "/CN=korva test CA", "-keyout", folder + "/ca.key", "-out", folder + "/ca.crt"},
        {"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-subj", "/CN=" + address,
         "-keyout", folder + "/exporter.key", "-out", folder + "/exporter.csr"},
        {"x509", "-req", "-in", folder + "/exporter.csr", "-CA", folder + "/ca.crt", "-CAkey", folder + "/ca.key",
         "-CAcreateserial", "-days", "2", "-extfile", folder + "/server.ext", "-out", folder + "/exporter.crt"},
    };
    for (const auto& step : steps) {
        const Finished made = RunToEnd(openssl, step);
        if (made.exitStatus != 0)
            return {"", "", "openssl " + step.front() + " failed: " + made.err};
    }
    std::ofstream config(folder + "/web.yml");
    // File names relative to the file's own folder, as an operator writes them beside it.
    config << "tls_server_config:\n  cert_file: exporter.crt\n  key_file: exporter.key\n";
    if (!user.empty())
        config << "basic_auth_users:\n  " << user << ": " << BcryptHash(password) << "\n";
    return {folder + "/ca.crt", folder + "/web.yml", ""};
}

}  // namespace korva::ctl::testing
