#pragma once
// The exporter's HTTP, on libmicrohttpd driven by the event loop: GET /probe?target=ADDRESS, /metrics
// and a page at "/" that links to both; any other path is not found. A request that waits for devices,
// a name or a password check is suspended, holding neither a thread nor anything but its connection,
// and resumed when its answer is there. Connections are as many as the descriptors allow; each must
// send a whole request head within a deadline counted from its opening, or from the first byte after
// its previous answer, or it is closed.
#include "tools/korvactl/exporter/basic_auth.h"
#include "tools/korvactl/exporter/event_loop.h"
#include "tools/korvactl/exporter/exporter_scrapes.h"
#include "tools/korvactl/exporter/web_config.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

struct MHD_Daemon;
struct MHD_Connection;

namespace korva::ctl {

struct HttpSettings {
    std::string address;  // dotted quad
    std::uint16_t port = 0;
    std::optional<TlsServerConfig> tls;
    std::size_t connectionLimit = 1024;
    std::chrono::milliseconds headDeadline{5000};
    std::chrono::seconds idleKeepAlive{90};  // a connection idle that long between requests is closed
};

class HttpServer {
public:
    // Listens; throws std::runtime_error saying why it cannot. scrapes, auth (nullptr: no passwords)
    // and loop outlive the server.
    HttpServer(const HttpSettings& settings, EventLoop& loop, ExporterScrapes& scrapes, BasicAuth* auth);
    // Call once no request waits (RequestsUnderWay() == 0): a suspended request cannot be abandoned.
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Takes no more connections.
    void StopListening();
    // Answers every request still waiting (a password check) that it is stopping, so that the server
    // can end.
    void AnswerAllWaiting();
    // Requests whose answer is not yet all sent.
    std::size_t RequestsUnderWay() const { return requestsUnderWay_; }
    std::size_t Connections() const { return connections_.size(); }

    class Request;

private:
    struct Connection {
        int fd = -1;
        bool inRequest = false;
        bool answeredOnce = false;
        SteadyTime waitingSince;           // opened, or its previous answer sent
        std::optional<SteadyTime> headBegan;  // after an answer: when bytes of the next request were seen
    };

    friend struct HttpCallbacks;  // libmicrohttpd's callbacks, in http_server.cpp

    int Serve(Request& request, const char* url, const char* method);
    void Route(Request& request);
    void Answer(Request* request, ScrapeResponse response);
    int Queue(Request& request);
    std::optional<ScrapeResponse> ClientCertificateRefusal(MHD_Connection* connection) const;
    std::optional<SteadyTime> NextHeadCheck() const;
    void CheckHeads(SteadyTime now);

    HttpSettings settings_;
    EventLoop& loop_;
    ExporterScrapes& scrapes_;
    BasicAuth* auth_;
    MHD_Daemon* daemon_ = nullptr;
    int daemonFd_ = -1;  // libmicrohttpd's epoll set: readable when it has work
    std::unordered_map<MHD_Connection*, Connection> connections_;
    // Requests whose connection is open: an answer that comes for any other (a password check that
    // outlived its connection's end at a stop) has nowhere to go.
    std::unordered_set<Request*> live_;
    std::size_t waitingForHead_ = 0;  // connections not in a request, whose head has a deadline
    std::size_t requestsUnderWay_ = 0;
    std::size_t requestsSinceTrim_ = 0;
    SteadyTime lastHeadCheck_{};
    bool resumed_ = false;
};

// Why a server cannot listen at address:port, in the system's words, or empty when it can.
std::string ListenProblem(const std::string& address, std::uint16_t port);

}  // namespace korva::ctl
