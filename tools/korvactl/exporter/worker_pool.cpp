#include "tools/korvactl/exporter/worker_pool.h"

namespace korva::ctl {

WorkerPool::WorkerPool(std::size_t threads, std::size_t queueLimit, Deliver deliver)
    : shared_(std::make_shared<Shared>()), queueLimit_(queueLimit) {
    shared_->deliver = std::move(deliver);
    // Each worker holds the shared state, which outlives the pool for a worker that outlives it.
    for (std::size_t i = 0; i < threads; ++i)
        std::thread(Serve, shared_).detach();
}

WorkerPool::~WorkerPool() {
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->closed = true;
        shared_->queue.clear();
    }
    shared_->workWaits.notify_all();
}

bool WorkerPool::TrySubmit(Work work) {
    {
        const std::lock_guard lock(shared_->mutex);
        if (shared_->queue.size() >= queueLimit_)
            return false;
        shared_->queue.push_back(std::move(work));
    }
    shared_->workWaits.notify_one();
    return true;
}

void WorkerPool::Serve(const std::shared_ptr<Shared>& shared) {
    std::unique_lock lock(shared->mutex);
    while (true) {
        shared->workWaits.wait(lock, [&] { return shared->closed || !shared->queue.empty(); });
        if (shared->closed)
            return;
        Work work = std::move(shared->queue.front());
        shared->queue.pop_front();
        lock.unlock();
        std::function<void()> result = work();
        lock.lock();
        // The pool may have closed meanwhile: whatever the result would touch may be gone.
        if (!shared->closed)
            shared->deliver(std::move(result));
    }
}

}  // namespace korva::ctl
