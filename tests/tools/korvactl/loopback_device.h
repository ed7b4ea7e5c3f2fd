#pragma once
// A device played by the test on a real UDP socket (a loopback address, port 5010), for behaviour the
// simulator does not offer: it answers through a script on its own thread and keeps every request.
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace korva::ctl::testing {

class LoopbackDevice {
public:
    using Script = std::function<std::optional<std::string>(const std::string& request)>;
    LoopbackDevice(const std::string& address, Script script);
    ~LoopbackDevice();
    LoopbackDevice(const LoopbackDevice&) = delete;
    LoopbackDevice& operator=(const LoopbackDevice&) = delete;

    std::vector<std::string> Requests() const;

private:
    void Serve();

    int fd_ = -1;
    Script script_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace korva::ctl::testing
