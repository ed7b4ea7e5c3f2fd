#include "tools/korvactl/exporter/event_loop.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <system_error>

namespace korva::ctl {

namespace {

std::system_error SystemError(const char* what) {
    return std::system_error(errno, std::generic_category(), what);
}

}  // namespace

EventLoop::EventLoop() {
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    if (epoll_ < 0)
        throw SystemError("epoll_create1");
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) {
        close(epoll_);
        throw SystemError("eventfd");
    }
    Watch(wake_, [this] {
        std::uint64_t count = 0;
        while (read(wake_, &count, sizeof count) < 0 && errno == EINTR) {
        }
        RunPosted();
    });
}

EventLoop::~EventLoop() {
    close(wake_);
    close(epoll_);
}

void EventLoop::Watch(int fd, std::function<void()> onReadable) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    if (epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) != 0)
        throw SystemError("epoll_ctl");
    watched_[fd] = std::move(onReadable);
}

void EventLoop::Forget(int fd) {
    epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    watched_.erase(fd);
}

void EventLoop::AddTimeSource(std::function<std::optional<SteadyTime>()> next,
                              std::function<void(SteadyTime now)> onTime) {
    timeSources_.push_back({std::move(next), std::move(onTime)});
}

void EventLoop::Post(std::function<void()> task) {
    {
        const std::lock_guard lock(postedMutex_);
        posted_.push_back(std::move(task));
    }
    const std::uint64_t one = 1;
    while (write(wake_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void EventLoop::RunPosted() {
    std::vector<std::function<void()>> tasks;
    {
        const std::lock_guard lock(postedMutex_);
        tasks.swap(posted_);
    }
    for (auto& task : tasks)
        task();
}

void EventLoop::Run() {
    while (!stopped_)
        Turn();
}

void EventLoop::Turn() {
    std::optional<SteadyTime> next;
    for (const TimeSource& source : timeSources_) {
        if (const auto deadline = source.next())
            next = next ? std::min(*next, *deadline) : *deadline;
    }
    int timeoutMs = -1;
    if (next) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - std::chrono::steady_clock::now());
        timeoutMs = static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 60'000));
    }
    std::array<epoll_event, 64> events{};
    const int ready = epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), timeoutMs);
    if (ready < 0 && errno != EINTR)
        throw SystemError("epoll_wait");
    for (int i = 0; i < ready; ++i) {
        // A handler may have forgotten a descriptor that is still in this batch.
        const auto found = watched_.find(events[static_cast<std::size_t>(i)].data.fd);
        if (found != watched_.end()) {
            const std::function<void()> handler = found->second;
            handler();
        }
    }
    // The clock is read after each source says its deadline, so that a source due "now" is run.
    for (const TimeSource& source : timeSources_) {
        if (const auto deadline = source.next()) {
            if (const SteadyTime now = std::chrono::steady_clock::now(); *deadline <= now)
                source.onTime(now);
        }
    }
}

}  // namespace korva::ctl
