// Lookups away from the owner's thread: an answer waits until the owner serves it, and once the owner
// has gone, a lookup still running wakes nobody.
#include "transport/background_lookups.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Holds every lookup until let go; counts the lookups that have returned.
class GatedResolver : public korva::transport::NameResolver {
public:
    std::optional<std::uint32_t> LookUp(const std::string& name) override {
        std::unique_lock lock(mutex_);
        open_.wait(lock, [this] { return letGo_; });
        ++returned_;
        return name == "found" ? std::optional<std::uint32_t>(0x7F000001) : std::nullopt;
    }
    void LetGo() {
        const std::lock_guard lock(mutex_);
        letGo_ = true;
        open_.notify_all();
    }
    int Returned() {
        const std::lock_guard lock(mutex_);
        return returned_;
    }

private:
    std::mutex mutex_;
    std::condition_variable open_;
    bool letGo_ = false;
    int returned_ = 0;
};

bool Within(std::chrono::milliseconds bound, const auto& done) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

TEST(BackgroundLookups, AnAnswerReachesTheOwnerWhenItServesThemAndNoneWakesItOnceItIsGone) {
    auto resolver = std::make_shared<GatedResolver>();
    std::atomic<int> wakes = 0;
    std::vector<std::optional<std::uint32_t>> heard;
    {
        korva::transport::BackgroundLookups lookups(resolver, [&] { ++wakes; });
        lookups.Start("found", [&](std::optional<std::uint32_t> address) { heard.push_back(address); });
        lookups.Start("nowhere", [&](std::optional<std::uint32_t> address) { heard.push_back(address); });
        lookups.ServeFinished();
        EXPECT_TRUE(heard.empty()) << "nothing has been found yet";
        resolver->LetGo();
        ASSERT_TRUE(Within(5s, [&] { return wakes == 2; }));
        EXPECT_TRUE(heard.empty()) << "answers wait for the owner";
        lookups.ServeFinished();
        ASSERT_EQ(heard.size(), 2u);
        EXPECT_EQ(std::count(heard.begin(), heard.end(), std::optional<std::uint32_t>(0x7F000001)), 1);
        EXPECT_EQ(std::count(heard.begin(), heard.end(), std::nullopt), 1);
    }
    auto held = std::make_shared<GatedResolver>();
    {
        korva::transport::BackgroundLookups lookups(held, [&] { ++wakes; });
        lookups.Start("found", [](std::optional<std::uint32_t>) { FAIL() << "heard after its owner went"; });
    }
    held->LetGo();
    ASSERT_TRUE(Within(5s, [&] { return held->Returned() == 1; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(wakes, 2) << "the lookup finished after its owner had gone, and woke nobody";
}

}  // namespace
