#pragma once
// The exporter's scrapes served over HTTP: GET /probe?target=ADDRESS and GET /metrics; any other path
// is not found.
#include "tools/korvactl/exporter_scrapes.h"

#include <memory>
#include <string>

class CivetServer;

namespace korva::ctl {

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
    std::unique_ptr<CivetServer> server_;
};

}  // namespace korva::ctl
