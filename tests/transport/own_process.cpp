#include "own_process.h"

#include <thread>

namespace korva::transport::testing {

std::set<int> ThreadsStillListed(const std::set<int>& threads, std::chrono::seconds patience) {
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    for (;;) {
        std::set<int> listed;
        const std::set<int> now = ThreadIds();
        for (int thread : threads) {
            if (now.count(thread) != 0)
                listed.insert(thread);
        }
        if (listed.empty() || std::chrono::steady_clock::now() > giveUp)
            return listed;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::set<int> Added(const std::set<int>& before, const std::set<int>& after) {
    std::set<int> added;
    for (int entry : after) {
        if (before.count(entry) == 0)
            added.insert(entry);
    }
    return added;
}

}  // namespace korva::transport::testing
