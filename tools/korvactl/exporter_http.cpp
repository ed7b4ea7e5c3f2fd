#include "tools/korvactl/exporter_http.h"

#include <CivetServer.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>

namespace korva::ctl {
namespace {

// Each scrape holds a worker for as long as its devices take to answer, and Prometheus scrapes every
// probe target at once; more workers than that would only queue on two cores' worth of decoding.
constexpr const char* kWorkers = "32";

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
      metrics_(std::make_unique<Handler>(*answers_, [&scrapes](mg_connection* connection) {
          return scrapes.Metrics(Header(connection, "X-Prometheus-Scrape-Timeout-Seconds"));
      })) {
    try {
        server_ =
            std::make_unique<CivetServer>(std::vector<std::string>{"listening_ports", listen, "num_threads", kWorkers});
    } catch (const CivetException&) {
        // civetweb's exception only says that starting failed, not why.
        throw std::runtime_error("cannot listen on " + listen);
    }
    // "$": these paths exactly, not everything below them.
    server_->addHandler("/probe$", *probe_);
    server_->addHandler("/metrics$", *metrics_);
}

ExporterHttp::~ExporterHttp() {
    answers_->WaitUntilNone();
    server_->close();
}

}  // namespace korva::ctl
