#pragma once
// Resolvers tests put in place of the system's, so that no test asks a name server: one that finds
// nothing at once, and one that takes its time over every name until the test lets it answer.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "transport/name_resolver.h"

class FoundNowhere : public korva::transport::NameResolver {
public:
    std::optional<std::uint32_t> LookUp(const std::string&) override { return std::nullopt; }
};

// Answers every name with address, once Answer() is called or patience has passed.
class SlowResolver : public korva::transport::NameResolver {
public:
    SlowResolver(std::uint32_t address, std::chrono::milliseconds patience) : address_(address), patience_(patience) {}

    std::optional<std::uint32_t> LookUp(const std::string&) override {
        std::unique_lock lock(mutex_);
        ++asked_;
        answerable_.wait_for(lock, patience_, [this] { return answering_; });
        ++answered_;
        return address_;
    }
    void Answer() {
        const std::lock_guard lock(mutex_);
        answering_ = true;
        answerable_.notify_all();
    }
    int Asked() {
        const std::lock_guard lock(mutex_);
        return asked_;
    }
    int Answered() {
        const std::lock_guard lock(mutex_);
        return answered_;
    }

private:
    const std::uint32_t address_;
    const std::chrono::milliseconds patience_;
    std::mutex mutex_;
    std::condition_variable answerable_;
    bool answering_ = false;
    int asked_ = 0;
    int answered_ = 0;
};
