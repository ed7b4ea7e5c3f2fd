#include "tools/korvactl/exporter/web_config.h"

#include <gnutls/gnutls.h>
#include <gnutls/x509.h>
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>

namespace korva::ctl {

namespace {

// A fault of the file, at a node's line.
struct Fault {
    int line;
    std::string reason;
};

int LineOf(const YAML::Node& node) {
    return node.Mark().line + 1;
}

// The keys of a mapping, each once; unknown ones and those of the toolkit this exporter does not take
// are faults.
void CheckKeys(const YAML::Node& map, const std::string& where, const std::set<std::string>& known,
               const std::set<std::string>& unsupported) {
    std::set<std::string> seen;
    for (const auto& entry : map) {
        const std::string key = entry.first.as<std::string>();
        if (!seen.insert(key).second)
            throw Fault{LineOf(entry.first), where + key + " is given twice"};
        if (unsupported.contains(key))
            throw Fault{LineOf(entry.first), where + key + " is not supported by korvactl exporter"};
        if (!known.contains(key))
            throw Fault{LineOf(entry.first), "unknown key " + where + key};
    }
}

std::string Text(const YAML::Node& node, const std::string& name) {
    if (!node.IsScalar())
        throw Fault{LineOf(node), name + " must be a text"};
    return node.as<std::string>();
}

std::string Folder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string ReadNamedFile(const YAML::Node& node, const std::string& key, const std::string& configPath) {
    std::string name = Text(node, key);
    if (name.empty())
        throw Fault{LineOf(node), key + " is empty"};
    if (name.front() != '/')
        name = Folder(configPath) + name;
    std::ifstream in(name, std::ios::binary);
    if (!in.is_open())
        throw Fault{LineOf(node), key + ": cannot read " + name + ": " + std::strerror(errno)};
    std::string contents((std::istreambuf_iterator<char>(in)), {});
    return contents;
}

gnutls_datum_t Datum(const std::string& text) {
    return {reinterpret_cast<unsigned char*>(const_cast<char*>(text.data())), static_cast<unsigned>(text.size())};
}

// What GnuTLS says of the certificate and key as the server will load them, or empty when they load.
std::string CertificateProblem(const std::string& certificate, const std::string& key) {
    gnutls_certificate_credentials_t credentials = nullptr;
    gnutls_certificate_allocate_credentials(&credentials);
    const gnutls_datum_t cert = Datum(certificate), privateKey = Datum(key);
    const int result =
        gnutls_certificate_set_x509_key_mem2(credentials, &cert, &privateKey, GNUTLS_X509_FMT_PEM, nullptr, 0);
    gnutls_certificate_free_credentials(credentials);
    return result < 0 ? gnutls_strerror(result) : "";
}

std::string CaProblem(const std::string& ca) {
    gnutls_certificate_credentials_t credentials = nullptr;
    gnutls_certificate_allocate_credentials(&credentials);
    const gnutls_datum_t trust = Datum(ca);
    const int result = gnutls_certificate_set_x509_trust_mem(credentials, &trust, GNUTLS_X509_FMT_PEM);
    gnutls_certificate_free_credentials(credentials);
    if (result < 0)
        return gnutls_strerror(result);
    return result == 0 ? "no certificate in it" : "";
}

TlsServerConfig ReadTls(const YAML::Node& node, const std::string& path) {
    if (!node.IsMap())
        throw Fault{LineOf(node), "tls_server_config must hold cert_file and key_file"};
    CheckKeys(node, "tls_server_config.", {"cert_file", "key_file", "client_auth_type", "client_ca_file"},
              {"cert", "key", "client_ca", "client_allowed_sans", "min_version", "max_version", "cipher_suites",
               "prefer_server_cipher_suites", "curve_preferences"});
    for (const char* required : {"cert_file", "key_file"}) {
        if (!node[required])
            throw Fault{LineOf(node), std::string("tls_server_config needs ") + required};
    }
    TlsServerConfig tls;
    tls.certificate = ReadNamedFile(node["cert_file"], "cert_file", path);
    tls.key = ReadNamedFile(node["key_file"], "key_file", path);
    if (const std::string problem = CertificateProblem(tls.certificate, tls.key); !problem.empty())
        throw Fault{LineOf(node["cert_file"]), "cert_file and key_file: " + problem};
    if (const YAML::Node type = node["client_auth_type"]) {
        const std::string value = Text(type, "client_auth_type");
        if (value == "RequireAndVerifyClientCert")
            tls.clientAuth = ClientAuth::kRequireAndVerify;
        else if (value == "VerifyClientCertIfGiven")
            tls.clientAuth = ClientAuth::kVerifyIfGiven;
        else if (value == "RequestClientCert" || value == "RequireAnyClientCert")
            throw Fault{LineOf(type), "client_auth_type " + value +
                                          " takes certificates nobody checks; korvactl exporter takes "
                                          "RequireAndVerifyClientCert, VerifyClientCertIfGiven or NoClientCert"};
        else if (value != "NoClientCert" && !value.empty())
            throw Fault{LineOf(type), "client_auth_type " + value +
                                          " is none of RequireAndVerifyClientCert, VerifyClientCertIfGiven and "
                                          "NoClientCert"};
    }
    if (const YAML::Node ca = node["client_ca_file"]) {
        if (tls.clientAuth == ClientAuth::kNone)
            throw Fault{LineOf(ca), "client_ca_file is given but client_auth_type does not check client certificates"};
        tls.clientCa = ReadNamedFile(ca, "client_ca_file", path);
        if (const std::string problem = CaProblem(tls.clientCa); !problem.empty())
            throw Fault{LineOf(ca), "client_ca_file: " + problem};
    } else if (tls.clientAuth != ClientAuth::kNone) {
        throw Fault{LineOf(node["client_auth_type"]), "client_auth_type checks client certificates: give client_ca_file"};
    }
    return tls;
}

bool BcryptHash(const std::string& hash) {
    static const std::regex bcrypt(R"(\$2[aby]\$(0[4-9]|[12][0-9]|3[01])\$[./A-Za-z0-9]{53})");
    return std::regex_match(hash, bcrypt);
}

std::map<std::string, std::string> ReadUsers(const YAML::Node& node) {
    std::map<std::string, std::string> users;
    if (node.IsNull())
        return users;
    if (!node.IsMap())
        throw Fault{LineOf(node), "basic_auth_users must map each user name to a bcrypt hash"};
    for (const auto& entry : node) {
        const std::string user = Text(entry.first, "a user name");
        if (user.empty() || user.find(':') != std::string::npos)
            throw Fault{LineOf(entry.first), "the user name '" + user + "' cannot be sent: it is empty or has a colon"};
        if (users.contains(user))
            throw Fault{LineOf(entry.first), "the user " + user + " is given twice"};
        const std::string hash = Text(entry.second, "the password of " + user);
        if (!BcryptHash(hash))
            throw Fault{LineOf(entry.second),
                        "the password of " + user + " is not a bcrypt hash ($2y$, $2b$ or $2a$, a cost, 53 characters)"};
        users[user] = hash;
    }
    return users;
}

}  // namespace

std::optional<WebConfig> ParseWebConfig(const std::string& text, const std::string& path, std::string& error) {
    try {
        const YAML::Node root = YAML::Load(text);
        WebConfig config;
        if (root.IsNull())
            return config;
        if (!root.IsMap())
            throw Fault{LineOf(root), "the file must hold tls_server_config, basic_auth_users or both"};
        CheckKeys(root, "", {"tls_server_config", "basic_auth_users"}, {"http_server_config", "rate_limit"});
        if (const YAML::Node tls = root["tls_server_config"])
            config.tls = ReadTls(tls, path);
        if (const YAML::Node users = root["basic_auth_users"])
            config.users = ReadUsers(users);
        return config;
    } catch (const YAML::Exception& yaml) {
        error = path + ": line " + std::to_string(yaml.mark.line + 1) + ": " + yaml.msg;
    } catch (const Fault& fault) {
        error = path + ": line " + std::to_string(fault.line) + ": " + fault.reason;
    }
    return std::nullopt;
}

std::optional<WebConfig> ReadWebConfig(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    return ParseWebConfig(text.str(), path, error);
}

}  // namespace korva::ctl
