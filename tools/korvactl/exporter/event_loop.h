#pragma once
// The exporter's one thread of work. It waits with epoll on the descriptors it watches (the HTTP
// server's, the probe sockets, the stop signal) and on the deadlines of its time sources (the prober,
// the resolver, the server's), and runs the tasks other threads post to it. Everything a probe or a
// connection holds is touched on this thread only, so none of it takes a lock.
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace korva::ctl {

using SteadyTime = std::chrono::steady_clock::time_point;

class EventLoop {
public:
    // Throws std::system_error when the system gives no epoll or eventfd descriptor.
    EventLoop();
    ~EventLoop();  // drops the tasks never run
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // onReadable runs on the loop whenever fd has something to read (level-triggered).
    void Watch(int fd, std::function<void()> onReadable);
    void Forget(int fd);
    // next: the source's next deadline (nullopt: none); onTime runs once that has come.
    void AddTimeSource(std::function<std::optional<SteadyTime>()> next, std::function<void(SteadyTime now)> onTime);
    // Any thread: runs task on the loop's thread at its next turn.
    void Post(std::function<void()> task);

    // Runs turns until Stop.
    void Run();
    // From the loop's thread; Run returns after this turn.
    void Stop() { stopped_ = true; }

private:
    struct TimeSource {
        std::function<std::optional<SteadyTime>()> next;
        std::function<void(SteadyTime)> onTime;
    };
    void Turn();
    void RunPosted();

    int epoll_ = -1;
    int wake_ = -1;  // an eventfd: a task was posted
    std::unordered_map<int, std::function<void()>> watched_;
    std::vector<TimeSource> timeSources_;
    std::mutex postedMutex_;
    std::vector<std::function<void()>> posted_;
    bool stopped_ = false;
};

}  // namespace korva::ctl
