#pragma once
// A few threads for the calls that block and cannot be made to wait without one: the system's resolver
// and bcrypt. The event loop hands them work and takes the results back as tasks of its own, so a slow
// name server or a password check never holds the loop, and the queue's bound keeps a flood of such
// work from growing without end.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace korva::ctl {

class WorkerPool {
public:
    // Runs a task on the thread that owns the results (the event loop's Post).
    using Deliver = std::function<void(std::function<void()>)>;
    // The work, run on a worker; what it returns is then run through deliver.
    using Work = std::function<std::function<void()>()>;

    WorkerPool(std::size_t threads, std::size_t queueLimit, Deliver deliver);
    // Delivers nothing more. A worker still inside a call that blocks (a name server that never
    // answers) is left to end on its own rather than waited for.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // false when queueLimit pieces of work wait already: the caller answers without it.
    bool TrySubmit(Work work);

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable workWaits;
        std::deque<Work> queue;
        bool closed = false;
        Deliver deliver;
    };
    static void Serve(const std::shared_ptr<Shared>& shared);

    std::shared_ptr<Shared> shared_;
    const std::size_t queueLimit_;
};

}  // namespace korva::ctl
