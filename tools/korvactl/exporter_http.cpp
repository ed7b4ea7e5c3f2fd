#include "tools/korvactl/exporter_http.h"

#include <CivetServer.h>

#include <functional>
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

}  // namespace

class ExporterHttp::Handler : public CivetHandler {
public:
    using Serve = std::function<ScrapeResponse(mg_connection*)>;
    explicit Handler(Serve serve) : serve_(std::move(serve)) {}

    using CivetHandler::handleGet;
    bool handleGet(CivetServer*, mg_connection* connection) override {
        Send(connection, serve_(connection));
        return true;
    }

private:
    Serve serve_;
};

ExporterHttp::ExporterHttp(const std::string& listen, ExporterScrapes& scrapes)
    : probe_(std::make_unique<Handler>([&scrapes](mg_connection* connection) {
          std::optional<std::string> target;
          if (std::string value; CivetServer::getParam(connection, "target", value))
              target = value;
          return scrapes.Probe(target, Header(connection, "X-Prometheus-Scrape-Timeout-Seconds"));
      })),
      metrics_(std::make_unique<Handler>([&scrapes](mg_connection* connection) {
          return scrapes.Metrics(Header(connection, "X-Prometheus-Scrape-Timeout-Seconds"));
      })) {
    try {
        server_ =
            std::make_unique<CivetServer>(std::vector<std::string>{"listening_ports", listen, "num_threads", kWorkers});
    } catch (const CivetException&) {
        // civetweb logs the system's reason itself; its exception only says that starting failed.
        throw std::runtime_error("cannot listen on " + listen);
    }
    // "$": these paths exactly, not everything below them.
    server_->addHandler("/probe$", *probe_);
    server_->addHandler("/metrics$", *metrics_);
}

ExporterHttp::~ExporterHttp() {
    server_->close();
}

}  // namespace korva::ctl
