// `korvactl exporter`: the exporter as a program. One event loop serves HTTP, sends every probe's
// requests and takes in the replies; a few workers resolve host names and check passwords.
#include "tools/korvactl/exporter/exporter_command.h"

#include "transport/name_lookup.h"
#include "tools/korvactl/conversations/link.h"
#include "tools/korvactl/exporter/basic_auth.h"
#include "tools/korvactl/exporter/event_loop.h"
#include "tools/korvactl/exporter/exporter_scrapes.h"
#include "tools/korvactl/exporter/http_server.h"
#include "tools/korvactl/exporter/name_resolver.h"
#include "tools/korvactl/exporter/probe_sockets.h"
#include "tools/korvactl/exporter/prober.h"
#include "tools/korvactl/exporter/web_config.h"
#include "tools/korvactl/inputs/command_line.h"
#include "tools/korvactl/inputs/input_file.h"
#include "tools/korvactl/output/record_writers.h"

#include <sys/resource.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>

namespace korva::ctl {

namespace {

// Descriptors kept for everything but connections: the standard streams, the loop's, the probe
// sockets, the resolver's sockets while it asks, a file read now and then.
constexpr rlim_t kDescriptorsKept = 64;
// How long a stop waits for answers still being written.
constexpr std::chrono::seconds kAnswersPatience{5};

// As many connections as the descriptors allow: the soft limit is raised to the hard one first,
// since the system's default soft limit of 1024 is no measure of what an exporter may serve.
std::size_t ConnectionLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 1024 - kDescriptorsKept;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    const rlim_t usable = limit.rlim_cur > 2 * kDescriptorsKept ? limit.rlim_cur - kDescriptorsKept : kDescriptorsKept;
    return static_cast<std::size_t>(std::min<rlim_t>(usable, 1 << 20));
}

// "ADDRESS:PORT" with the address as a dotted quad. Without an address the server would listen on
// every interface, which nobody should get by accident.
std::optional<std::pair<std::string, std::uint16_t>> ListenAddress(const std::string& text, std::string& error) {
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
    return std::pair{host.address, static_cast<std::uint16_t>(port)};
}

// Everything a running exporter holds, in the order it is built and the reverse of its ending.
class ExporterService {
public:
    ExporterService(ExporterSettings settings, const HttpSettings& http, const WebConfig& web, InterruptHandle stop)
        : prober_([this](std::uint32_t address, std::string_view request) { sockets_.Send(address, request); }),
          names_([](const std::string& name) { return transport::LookUpIPv4(name); },
                 [this](std::function<void()> task) { loop_.Post(std::move(task)); }),
          auth_(web.users.empty() ? nullptr
                                  : std::make_unique<BasicAuth>(web.users, [this](std::function<void()> task) {
                                        loop_.Post(std::move(task));
                                    })),
          scrapes_(std::move(settings), prober_, names_, [] { return std::chrono::steady_clock::now(); }),
          http_(http, loop_, scrapes_, auth_.get()),
          stop_(static_cast<int>(stop)) {
        for (const int fd : sockets_.Descriptors()) {
            loop_.Watch(fd, [this, fd] {
                sockets_.ReadWaiting(fd, [this](std::uint32_t from, std::string_view bytes, WallTime at) {
                    prober_.OnDatagram(from, bytes, at, std::chrono::steady_clock::now());
                });
            });
        }
        loop_.AddTimeSource([this] { return prober_.NextDeadline(); }, [this](SteadyTime now) { prober_.OnTime(now); });
        loop_.AddTimeSource([this] { return names_.NextDeadline(); }, [this](SteadyTime now) { names_.OnTime(now); });
        // Once stopping: when every answer is out, or the patience is spent.
        loop_.AddTimeSource(
            [this]() -> std::optional<SteadyTime> {
                if (stopBy_ && http_.RequestsUnderWay() == 0)
                    return std::chrono::steady_clock::now();
                return stopBy_;
            },
            [this](SteadyTime) {
                http_.AnswerAllWaiting();
                loop_.Stop();
            });
        loop_.Watch(stop_, [this] { BeginStopping(); });
    }
    ~ExporterService() { loop_.Forget(stop_); }

    void Run() { loop_.Run(); }

private:
    // Probes and names under way end at once, answered with what they have, and no connection is taken;
    // the loop goes on until the answers are out.
    void BeginStopping() {
        loop_.Forget(stop_);
        http_.StopListening();
        prober_.FinishAll(std::chrono::steady_clock::now());
        names_.AnswerAll();
        stopBy_ = std::chrono::steady_clock::now() + kAnswersPatience;
    }

    EventLoop loop_;
    ProbeSockets sockets_;
    Prober prober_;
    CachingResolver names_;
    std::unique_ptr<BasicAuth> auth_;
    ExporterScrapes scrapes_;
    HttpServer http_;
    int stop_;
    std::optional<SteadyTime> stopBy_;
};

}  // namespace

int RunExporterCommand(const Command& command, const std::vector<std::string>& arguments, CommandIo& io) {
    std::ostream& out = io.out;
    std::ostream& err = io.err;
    const std::string prefix = "korvactl exporter: ";
    // The exporter's own messages are English yet; what it shares with the other commands is told so too.
    const language::Catalogue& texts = language::English();
    const ParsedCommandLine parsed = ParseCommandLine(command.name, arguments, texts);
    if (!parsed.line) {
        err << prefix << parsed.error << "\n";
        return kExitUsage;
    }
    const CommandLine& line = *parsed.line;
    std::string error;
    if (!line.listen) {
        err << prefix << "say where to serve: --listen ADDRESS:PORT\n";
        return kExitUsage;
    }
    const auto listen = ListenAddress(*line.listen, error);
    const auto names = listen ? CollectDeviceNames(line.names, line.files, texts, error) : std::nullopt;
    std::optional<WebConfig> web = WebConfig{};
    if (names && line.webConfig)
        web = ReadWebConfig(*line.webConfig, error);
    if (!names || !web) {
        err << prefix << error << "\n";
        return kExitUsage;
    }
    std::vector<std::string> warnings;
    std::vector<DeviceTarget> devices = ResolveTargets(*names, texts, warnings);
    for (const std::string& warning : warnings)
        err << prefix << warning << "\n";

    HttpSettings http;
    http.address = listen->first;
    http.port = listen->second;
    http.tls = web->tls;
    http.connectionLimit = ConnectionLimit();
    ExporterSettings settings{line.retry.timeout, std::move(devices), !line.noNames, line.allowedTargets,
                              [&err, &prefix](const std::string& text) { err << prefix << text << std::endl; }};
    const InterruptHandle stop = InterruptSignal::Install(true);  // a descriptor on Linux
    try {
        ExporterService service(std::move(settings), http, *web, stop);
        const std::string scheme = web->tls ? "https://" : "http://";
        const std::string where = scheme + listen->first + ":" + std::to_string(listen->second);
        out << prefix << "serving " << where << "/probe?target=ADDRESS and " << where
            << "/metrics until SIGINT or SIGTERM\n";
        FlushOrThrow(out);
        service.Run();
    } catch (const OutputError& outputError) {
        err << prefix << "cannot write the output: " << outputError.what() << "\n";
        return kExitNotAllAnswered;
    } catch (const std::exception& serverError) {
        err << prefix << serverError.what() << "\n";
        return kExitNotAllAnswered;
    }
    return kExitAllAnswered;
}

}  // namespace korva::ctl
