// `korvactl exporter`: the exporter as a program, serving its scrapes over HTTP until it is asked to stop.
#include "tools/korvactl/exporter/exporter_command.h"
#include "tools/korvactl/conversations/link.h"
#include "tools/korvactl/exporter/exporter_scrapes.h"
#include "tools/korvactl/inputs/command_line.h"
#include "tools/korvactl/inputs/input_file.h"
#include "tools/korvactl/output/record_writers.h"

#include <CivetServer.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>

namespace korva::ctl {

// The exporter's scrapes served over HTTP: GET /probe?target=ADDRESS and GET /metrics, and a page at
// "/" that links to both; any other path is not found.

class ExporterHttp {
public:
    // listen: "dotted quad:port". Starts serving; throws std::runtime_error when it cannot listen there.
    ExporterHttp(const std::string& listen, ExporterScrapes& scrapes);
    ~ExporterHttp();  // stops serving, after the scrapes under way have been answered
    ExporterHttp(const ExporterHttp&) = delete;
    ExporterHttp& operator=(const ExporterHttp&) = delete;

private:
    class AnswersUnderWay;
    class Handler;
    std::unique_ptr<AnswersUnderWay> answers_;
    std::unique_ptr<Handler> probe_;
    std::unique_ptr<Handler> metrics_;
    std::unique_ptr<Handler> home_;
    std::unique_ptr<CivetServer> server_;
};

namespace {

// civetweb gives each connection a worker of its own from the moment it is accepted, and a connection
// that sends nothing holds its worker until the request time-out. With a few workers, a few idle
// connections (a port scan, a stuck client) left every probe waiting for a worker: 32 took 29.5 s.
// So there are workers enough for hundreds of idle connections and every probe Prometheus sends at
// once, each some 45 kB of memory once it has served a probe; and a connection that has not sent its
// whole request, or does not take its answer, within the time-out is dropped. Prometheus sends its
// request at once.
constexpr const char* kWorkers = "1024";
constexpr const char* kRequestTimeoutMs = "2000";
// Connections the system holds until a worker takes them, so that a burst is served late, not refused.
constexpr const char* kListenBacklog = "1024";
// Each worker keeps a buffer this size for the request's head. A probe's head, with a target as long as
// a host name and Prometheus's headers, takes under 1 kB; civetweb's 16 kB, once filled by long
// requests, kept 12 MB more resident across the workers.
constexpr const char* kLongestRequestHead = "4096";

std::optional<std::string_view> Header(mg_connection* connection, const char* name) {
    const char* value = CivetServer::getHeader(connection, name);
    return value ? std::optional<std::string_view>(value) : std::nullopt;
}

void Send(mg_connection* connection, const ScrapeResponse& response) {
    mg_printf(connection,
              "HTTP/1.1 %d %s\r\nContent-Type: %s\r\nContent-Length: %zu\r\nCache-Control: no-store\r\n"
              "Connection: close\r\n\r\n",
              response.status, mg_get_response_code_text(connection, response.status), response.contentType.c_str(),
              response.body.size());
    mg_write(connection, response.body.data(), response.body.size());
}

// Why a server cannot listen at "dotted quad:port", in the system's words, or empty when it can.
// civetweb's exception only says that starting failed, so a socket of our own tries first, bound as
// civetweb binds its own, and is closed again.
std::string ListenProblem(const std::string& listen) {
    const std::size_t colon = listen.rfind(':');
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(std::stoi(listen.substr(colon + 1))));
    inet_pton(AF_INET, listen.substr(0, colon).c_str(), &address.sin_addr);
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    int error = 0;
    if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 1) != 0)
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

// How long a stop waits for the answers under way; their devices' waits end at the stop signal.
constexpr std::chrono::seconds kAnswersPatience{5};

}  // namespace

// The answers being written. Stopping the server abandons every write still under way, so the answer of
// a scrape that the stop itself ended must be out before the server goes.
class ExporterHttp::AnswersUnderWay {
public:
    void Begin() {
        const std::lock_guard lock(mutex_);
        ++count_;
    }
    void End() {
        {
            const std::lock_guard lock(mutex_);
            --count_;
        }
        none_.notify_all();
    }
    void WaitUntilNone() {
        std::unique_lock lock(mutex_);
        none_.wait_for(lock, kAnswersPatience, [this] { return count_ == 0; });
    }

private:
    std::mutex mutex_;
    std::condition_variable none_;
    int count_ = 0;
};

class ExporterHttp::Handler : public CivetHandler {
public:
    using Serve = std::function<ScrapeResponse(mg_connection*)>;
    Handler(AnswersUnderWay& answers, Serve serve) : answers_(answers), serve_(std::move(serve)) {}

    using CivetHandler::handleGet;
    bool handleGet(CivetServer*, mg_connection* connection) override {
        answers_.Begin();
        Send(connection, serve_(connection));
        answers_.End();
        return true;
    }

private:
    AnswersUnderWay& answers_;
    Serve serve_;
};

ExporterHttp::ExporterHttp(const std::string& listen, ExporterScrapes& scrapes)
    : answers_(std::make_unique<AnswersUnderWay>()),
      probe_(std::make_unique<Handler>(*answers_,
                                       [&scrapes](mg_connection* connection) {
                                           std::optional<std::string> target;
                                           if (std::string value; CivetServer::getParam(connection, "target", value))
                                               target = value;
                                           return scrapes.Probe(
                                               target, Header(connection, "X-Prometheus-Scrape-Timeout-Seconds"));
                                       })),
      metrics_(std::make_unique<Handler>(*answers_,
                                         [&scrapes](mg_connection* connection) {
                                             return scrapes.Metrics(
                                                 Header(connection, "X-Prometheus-Scrape-Timeout-Seconds"));
                                         })),
      home_(std::make_unique<Handler>(*answers_, [](mg_connection*) { return LandingPage(); })) {
    if (const std::string problem = ListenProblem(listen); !problem.empty())
        throw std::runtime_error("cannot listen on " + listen + ": " + problem);
    try {
        // Each answer closes its connection (Send), so no connection waits idle between requests.
        server_ = std::make_unique<CivetServer>(std::vector<std::string>{
            "listening_ports", listen, "num_threads", kWorkers, "request_timeout_ms", kRequestTimeoutMs,
            "listen_backlog", kListenBacklog, "max_request_size", kLongestRequestHead, "enable_keep_alive", "no"});
    } catch (const CivetException&) {
        throw std::runtime_error("cannot listen on " + listen);
    }
    // "$": these paths exactly, not everything below them.
    server_->addHandler("/probe$", *probe_);
    server_->addHandler("/metrics$", *metrics_);
    server_->addHandler("/$", *home_);
}

ExporterHttp::~ExporterHttp() {
    answers_->WaitUntilNone();
    server_->close();
}

namespace {

// "ADDRESS:PORT" with the address resolved to a dotted quad, as the HTTP server takes it. Without an
// address the server would listen on every interface, which nobody should get by accident.
std::optional<std::string> ListenAddress(const std::string& text, std::string& error) {
    const std::size_t colon = text.rfind(':');
    int port = 0;
    const char* portEnd = text.data() + text.size();
    if (colon == std::string::npos || colon == 0 ||
        std::from_chars(text.data() + colon + 1, portEnd, port).ptr != portEnd || colon + 1 == text.size() ||
        port < 1 || port > 65535) {
        error = "--listen takes ADDRESS:PORT (a port from 1 to 65535): '" + text + "'";
        return std::nullopt;
    }
    const DeviceTarget host = ResolveTarget(text.substr(0, colon));
    if (!host.error.empty()) {
        error = "cannot listen on " + text + ": " + host.error;
        return std::nullopt;
    }
    return host.address + ":" + std::to_string(port);
}

void WaitUntilReadable(int fd) {
    pollfd wait{fd, POLLIN, 0};
    while (poll(&wait, 1, -1) <= 0 || (wait.revents & POLLIN) == 0) {
    }
}

}  // namespace

int RunExporterCommand(const Command& command, const std::vector<std::string>& arguments, CommandIo& io) {
    std::ostream& out = io.out;
    std::ostream& err = io.err;
    const std::string prefix = "korvactl exporter: ";
    // The exporter's own messages are English yet; what it shares with the other commands is told so too.
    const language::Catalogue& texts = language::English();
    const ParsedCommandLine parsed = ParseCommandLine(command.name, command.options, arguments, texts);
    if (!parsed.line) {
        err << prefix << parsed.error << "\n";
        return kExitUsage;
    }
    std::string error;
    if (!parsed.line->listen) {
        err << prefix << "say where to serve: --listen ADDRESS:PORT\n";
        return kExitUsage;
    }
    const auto listen = ListenAddress(*parsed.line->listen, error);
    const auto names = listen ? CollectDeviceNames(parsed.line->names, parsed.line->files, texts, error) : std::nullopt;
    if (!names) {
        err << prefix << error << "\n";
        return kExitUsage;
    }
    std::vector<std::string> warnings;
    std::vector<DeviceTarget> devices = ResolveTargets(*names, texts, warnings);
    for (const std::string& warning : warnings)
        err << prefix << warning << "\n";

    const int stopFd = static_cast<int>(InterruptSignal::Install(true));  // a descriptor on Linux
    // Each scrape's link wakes on the stop signal too, so scrapes under way end at once when asked to stop.
    ExporterScrapes scrapes({parsed.line->retry.timeout, std::move(devices),
                             [stopFd] { return std::make_unique<EndpointLink>(stopFd); },
                             [&err, &prefix](const std::string& line) { err << prefix << line << std::endl; }});
    try {
        const ExporterHttp http(*listen, scrapes);
        out << prefix << "serving http://" << *listen << "/probe?target=ADDRESS and http://" << *listen
            << "/metrics until SIGINT or SIGTERM\n";
        FlushOrThrow(out);
        WaitUntilReadable(stopFd);
    } catch (const OutputError& outputError) {
        err << prefix << "cannot write the output: " << outputError.what() << "\n";
        return kExitNotAllAnswered;
    } catch (const std::runtime_error& serverError) {
        err << prefix << serverError.what() << "\n";
        return kExitNotAllAnswered;
    }
    return kExitAllAnswered;
}

}  // namespace korva::ctl
