#include "tools/korvactl/exporter/http_server.h"

#include <arpa/inet.h>
#include <gnutls/gnutls.h>
#include <malloc.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace korva::ctl {

namespace {

constexpr const char* kRealm = "korvactl exporter";
// What one connection may hold of a request head and the answer's headers; a probe's head, with a
// target as long as a host name and Prometheus's headers, takes under 1 kB.
constexpr std::size_t kConnectionMemory = 8 * 1024;
// Connections the system holds until the server takes them, so that a burst beyond the connection
// limit is served late rather than refused.
constexpr unsigned kListenBacklog = 4096;
// How often connections waiting for a request head are looked at.
constexpr std::chrono::milliseconds kHeadCheckPeriod{250};
// Requests served before the heap's free memory is given back once none is under way.
constexpr std::size_t kRequestsBetweenTrims = 64;

ScrapeResponse Problem(int status, const std::string& text) {
    return {status, "text/plain; charset=utf-8", text + "\n"};
}

// The whole value, with any NUL byte a %00 put into it: a target cut short there would name another.
std::optional<std::string> Value(MHD_Connection* connection, MHD_ValueKind kind, const char* key) {
    const char* value = nullptr;
    std::size_t size = 0;
    if (MHD_lookup_connection_value_n(connection, kind, key, std::strlen(key), &value, &size) != MHD_YES)
        return std::nullopt;
    return std::string(value ? value : "", value ? size : 0);
}

// When data last came in on the TCP connection, as the system keeps it.
std::optional<SteadyTime> LastDataReceived(int fd, SteadyTime now) {
    tcp_info info{};
    socklen_t size = sizeof info;
    if (getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) != 0)
        return std::nullopt;
    return now - std::chrono::milliseconds(info.tcpi_last_data_recv);
}

}  // namespace

class HttpServer::Request {
public:
    explicit Request(MHD_Connection* connection) : connection(connection) {}
    MHD_Connection* connection;
    bool started = false;
    bool suspended = false;
    std::string path;
    std::optional<std::string> target;
    std::optional<std::string> timeoutHeader;
    std::optional<ScrapeResponse> response;
};

// libmicrohttpd calls these on the event loop's thread, from inside MHD_run.
struct HttpCallbacks {
    static MHD_Result Access(void* self, MHD_Connection* connection, const char* url, const char* method,
                             const char*, const char*, std::size_t*, void** requestSlot) {
        auto& server = *static_cast<HttpServer*>(self);
        if (*requestSlot == nullptr) {
            auto* request = new HttpServer::Request(connection);
            *requestSlot = request;
            server.live_.insert(request);
            ++server.requestsUnderWay_;
            if (const auto found = server.connections_.find(connection); found != server.connections_.end()) {
                found->second.inRequest = true;
                --server.waitingForHead_;
            }
        }
        return static_cast<MHD_Result>(server.Serve(*static_cast<HttpServer::Request*>(*requestSlot), url, method));
    }

    static void Completed(void* self, MHD_Connection* connection, void** requestSlot, MHD_RequestTerminationCode) {
        auto& server = *static_cast<HttpServer*>(self);
        if (*requestSlot != nullptr) {
            auto* request = static_cast<HttpServer::Request*>(*requestSlot);
            server.live_.erase(request);
            delete request;
            *requestSlot = nullptr;
            --server.requestsUnderWay_;
            // A burst of thousands of requests leaves their connections' buffers free in the heap,
            // which malloc keeps for the next one and the system counts as ours; once the burst is
            // over, the memory goes back.
            if (++server.requestsSinceTrim_ >= kRequestsBetweenTrims && server.requestsUnderWay_ == 0) {
                server.requestsSinceTrim_ = 0;
                malloc_trim(0);
            }
        }
        if (const auto found = server.connections_.find(connection);
            found != server.connections_.end() && found->second.inRequest) {
            found->second.inRequest = false;
            ++server.waitingForHead_;
            found->second.answeredOnce = true;
            found->second.waitingSince = std::chrono::steady_clock::now();
            found->second.headBegan.reset();
        }
    }

    static void ConnectionEvent(void* self, MHD_Connection* connection, void**, MHD_ConnectionNotificationCode event) {
        auto& server = *static_cast<HttpServer*>(self);
        if (event == MHD_CONNECTION_NOTIFY_STARTED) {
            const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
            server.connections_[connection] = {info ? info->connect_fd : -1, false, false,
                                               std::chrono::steady_clock::now(), std::nullopt};
            ++server.waitingForHead_;
        } else if (const auto found = server.connections_.find(connection); found != server.connections_.end()) {
            if (!found->second.inRequest)
                --server.waitingForHead_;
            server.connections_.erase(found);
        }
    }
};

std::string ListenProblem(const std::string& address, std::uint16_t port) {
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &where.sin_addr);
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    int error = 0;
    if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0 || listen(fd, 1) != 0)
        error = errno;
    if (fd >= 0)
        close(fd);
    switch (error) {
        case 0:
            return {};
        case EADDRINUSE:
            return std::string(std::strerror(error)) + " (another program listens there)";
        case EADDRNOTAVAIL:
            return std::string(std::strerror(error)) + " (the address is not one of this machine's)";
        case EACCES:
            return std::string(std::strerror(error)) + " (ports below 1024 need privileges)";
        default:
            return std::strerror(error);
    }
}

HttpServer::HttpServer(const HttpSettings& settings, EventLoop& loop, ExporterScrapes& scrapes, BasicAuth* auth)
    : settings_(settings), loop_(loop), scrapes_(scrapes), auth_(auth) {
    const std::string where = settings.address + ":" + std::to_string(settings.port);
    // libmicrohttpd's failure says only that it failed, so a socket of our own tries first, bound as
    // libmicrohttpd binds its own, and is closed again.
    if (const std::string problem = ListenProblem(settings.address, settings.port); !problem.empty())
        throw std::runtime_error("cannot listen on " + where + ": " + problem);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(settings.port);
    inet_pton(AF_INET, settings.address.c_str(), &address.sin_addr);

    std::vector<MHD_OptionItem> options = {
        {MHD_OPTION_SOCK_ADDR, 0, &address},
        {MHD_OPTION_CONNECTION_LIMIT, static_cast<intptr_t>(settings.connectionLimit), nullptr},
        {MHD_OPTION_CONNECTION_TIMEOUT, static_cast<intptr_t>(settings.idleKeepAlive.count()), nullptr},
        {MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<intptr_t>(kConnectionMemory), nullptr},
        {MHD_OPTION_LISTEN_BACKLOG_SIZE, kListenBacklog, nullptr},
        {MHD_OPTION_NOTIFY_COMPLETED, reinterpret_cast<intptr_t>(&HttpCallbacks::Completed), this},
        {MHD_OPTION_NOTIFY_CONNECTION, reinterpret_cast<intptr_t>(&HttpCallbacks::ConnectionEvent), this},
    };
    unsigned flags = MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME;
    if (settings_.tls) {
        flags |= MHD_USE_TLS;
        options.push_back({MHD_OPTION_HTTPS_MEM_CERT, 0, const_cast<char*>(settings_.tls->certificate.c_str())});
        options.push_back({MHD_OPTION_HTTPS_MEM_KEY, 0, const_cast<char*>(settings_.tls->key.c_str())});
        if (settings_.tls->clientAuth != ClientAuth::kNone)
            options.push_back({MHD_OPTION_HTTPS_MEM_TRUST, 0, const_cast<char*>(settings_.tls->clientCa.c_str())});
    }
    options.push_back({MHD_OPTION_END, 0, nullptr});
    daemon_ = MHD_start_daemon(flags, settings.port, nullptr, nullptr,
                               reinterpret_cast<MHD_AccessHandlerCallback>(&HttpCallbacks::Access), this,
                               MHD_OPTION_ARRAY, options.data(), MHD_OPTION_END);
    if (daemon_ == nullptr)
        throw std::runtime_error("cannot serve on " + where + ": libmicrohttpd did not start");
    const MHD_DaemonInfo* epoll = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_EPOLL_FD);
    daemonFd_ = epoll->epoll_fd;
    loop_.Watch(daemonFd_, [this] { MHD_run(daemon_); });
    // libmicrohttpd puts its listening socket into its epoll set at its first run.
    MHD_run(daemon_);
    loop_.AddTimeSource(
        [this]() -> std::optional<SteadyTime> {
            std::optional<SteadyTime> next = NextHeadCheck();
            if (resumed_)
                return std::chrono::steady_clock::now();
            MHD_UNSIGNED_LONG_LONG wait = 0;
            if (daemon_ != nullptr && MHD_get_timeout(daemon_, &wait) == MHD_YES) {
                const SteadyTime due = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait);
                next = next ? std::min(*next, due) : due;
            }
            return next;
        },
        [this](SteadyTime now) {
            if (const auto check = NextHeadCheck(); check && *check <= now)
                CheckHeads(now);
            resumed_ = false;
            if (daemon_ != nullptr)
                MHD_run(daemon_);
        });
}

HttpServer::~HttpServer() {
    loop_.Forget(daemonFd_);
    MHD_Daemon* daemon = daemon_;
    daemon_ = nullptr;
    MHD_stop_daemon(daemon);
}

void HttpServer::StopListening() {
    const MHD_socket listening = MHD_quiesce_daemon(daemon_);
    if (listening != MHD_INVALID_SOCKET)
        close(listening);
}

int HttpServer::Serve(Request& request, const char* url, const char* method) {
    if (request.response)
        return Queue(request);
    if (request.started)
        return MHD_YES;  // still waiting; libmicrohttpd called again before the suspension took
    request.started = true;
    const std::string_view verb = method;
    if (verb != MHD_HTTP_METHOD_GET && verb != MHD_HTTP_METHOD_HEAD) {
        request.response = Problem(405, "only GET is served here");
        return Queue(request);
    }
    if (auto refusal = ClientCertificateRefusal(request.connection)) {
        request.response = std::move(refusal);
        return Queue(request);
    }
    request.path = url;
    request.target = Value(request.connection, MHD_GET_ARGUMENT_KIND, "target");
    request.timeoutHeader = Value(request.connection, MHD_HEADER_KIND, "X-Prometheus-Scrape-Timeout-Seconds");
    if (auth_ != nullptr) {
        char* password = nullptr;
        char* user = MHD_basic_auth_get_username_password(request.connection, &password);
        if (user == nullptr) {
            std::free(password);
            request.response = Problem(401, "this exporter asks for a user name and password");
            return Queue(request);
        }
        const std::string name = user, secret = password ? password : "";
        std::free(user);
        std::free(password);
        auth_->Check(name, secret, [this, waiting = &request](BasicAuth::Verdict verdict) {
            switch (verdict) {
                case BasicAuth::Verdict::kAccepted:
                    if (live_.contains(waiting))
                        Route(*waiting);
                    return;
                case BasicAuth::Verdict::kRefused:
                    Answer(waiting, Problem(401, "the user name or the password is wrong"));
                    return;
                case BasicAuth::Verdict::kBusy:
                    Answer(waiting, Problem(503, "too many passwords wait to be checked; try again"));
                    return;
            }
        });
    } else {
        Route(request);
    }
    if (request.response)
        return Queue(request);
    request.suspended = true;
    MHD_suspend_connection(request.connection);
    return MHD_YES;
}

void HttpServer::Route(Request& request) {
    const auto answer = [this, waiting = &request](ScrapeResponse response) { Answer(waiting, std::move(response)); };
    if (request.path == "/probe")
        scrapes_.Probe(request.target, request.timeoutHeader, answer);
    else if (request.path == "/metrics")
        scrapes_.Metrics(request.timeoutHeader, answer);
    else if (request.path == "/")
        answer(LandingPage());
    else
        answer(Problem(404, "not found: the exporter serves /probe?target=ADDRESS and /metrics"));
}

void HttpServer::Answer(Request* request, ScrapeResponse response) {
    if (!live_.contains(request) || request->response)
        return;
    request->response = std::move(response);
    if (request->suspended) {
        request->suspended = false;
        MHD_resume_connection(request->connection);
        resumed_ = true;  // libmicrohttpd takes a resumed connection up at its next run
    }
}

void HttpServer::AnswerAllWaiting() {
    const std::vector<Request*> waiting(live_.begin(), live_.end());
    for (Request* request : waiting)
        Answer(request, Problem(503, "the exporter is stopping"));
}

int HttpServer::Queue(Request& request) {
    ScrapeResponse& answer = *request.response;
    // The body stays in the request, which lives until the answer has been sent.
    MHD_Response* response =
        MHD_create_response_from_buffer(answer.body.size(), answer.body.data(), MHD_RESPMEM_PERSISTENT);
    if (response == nullptr)
        return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, answer.contentType.c_str());
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    const MHD_Result queued =
        answer.status == MHD_HTTP_UNAUTHORIZED
            ? MHD_queue_basic_auth_fail_response(request.connection, kRealm, response)
            : MHD_queue_response(request.connection, static_cast<unsigned>(answer.status), response);
    MHD_destroy_response(response);
    return queued;
}

std::optional<ScrapeResponse> HttpServer::ClientCertificateRefusal(MHD_Connection* connection) const {
    if (!settings_.tls || settings_.tls->clientAuth == ClientAuth::kNone)
        return std::nullopt;
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_GNUTLS_SESSION);
    if (info == nullptr)
        return Problem(403, "a client certificate is required");
    const auto session = static_cast<gnutls_session_t>(info->tls_session);
    unsigned int certificates = 0;
    if (gnutls_certificate_get_peers(session, &certificates) == nullptr || certificates == 0) {
        if (settings_.tls->clientAuth == ClientAuth::kRequireAndVerify)
            return Problem(403, "a client certificate signed by the exporter's client CA is required");
        return std::nullopt;
    }
    unsigned int status = 0;
    if (gnutls_certificate_verify_peers2(session, &status) != GNUTLS_E_SUCCESS || status != 0)
        return Problem(403, "the client certificate is not one the exporter's client CA signed, or it has expired");
    return std::nullopt;
}

std::optional<SteadyTime> HttpServer::NextHeadCheck() const {
    if (waitingForHead_ == 0)
        return std::nullopt;
    return lastHeadCheck_ + kHeadCheckPeriod;
}

void HttpServer::CheckHeads(SteadyTime now) {
    lastHeadCheck_ = now;
    for (auto& [connection, state] : connections_) {
        if (state.inRequest || state.fd < 0)
            continue;
        SteadyTime began = state.waitingSince;
        if (state.answeredOnce) {
            // Kept open after an answer, a connection may wait idle for its next request: the head's
            // deadline counts from the first bytes of it.
            if (!state.headBegan) {
                const auto lastData = LastDataReceived(state.fd, now);
                if (!lastData || *lastData <= state.waitingSince)
                    continue;
                state.headBegan = *lastData;
            }
            began = *state.headBegan;
        }
        // libmicrohttpd sees the connection end at its next read and closes it.
        if (now - began >= settings_.headDeadline)
            shutdown(state.fd, SHUT_RDWR);
    }
}

}  // namespace korva::ctl
