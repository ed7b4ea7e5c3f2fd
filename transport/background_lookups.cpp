#include "transport/background_lookups.h"

#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace korva::transport {

struct BackgroundLookups::Mailbox {
    struct Result {
        std::uint64_t lookup;
        std::optional<std::uint32_t> address;
    };

    // A lookup's thread, or the owner when no thread could be had.
    void Post(std::uint64_t lookup, std::optional<std::uint32_t> address) {
        const std::lock_guard lock(mutex);
        // Under the lock: once the owner has closed the box, nothing it gave may be called any more.
        if (closed)
            return;
        results.push_back({lookup, address});
        wakeOwner();
    }

    std::mutex mutex;
    std::vector<Result> results;
    bool closed = false;
    std::function<void()> wakeOwner;
};

BackgroundLookups::BackgroundLookups(std::shared_ptr<NameResolver> resolver, std::function<void()> wakeOwner)
    : resolver_(std::move(resolver)), mailbox_(std::make_shared<Mailbox>()) {
    mailbox_->wakeOwner = std::move(wakeOwner);
}

BackgroundLookups::~BackgroundLookups() {
    const std::lock_guard lock(mailbox_->mutex);
    mailbox_->closed = true;
}

void BackgroundLookups::Start(const std::string& name, Found found) {
    const std::uint64_t lookup = nextLookup_++;
    asked_.emplace(lookup, std::move(found));
    try {
        // Detached: a resolver may keep a thread for as long as its name servers take, and neither
        // closing the console nor the next lookup should wait for that. The thread holds what it uses.
        std::thread([resolver = resolver_, mailbox = mailbox_, lookup, name] {
            std::optional<std::uint32_t> address;
            try {
                address = resolver->LookUp(name);
            } catch (...) {
                // Found nowhere, as far as the console can tell.
            }
            mailbox->Post(lookup, address);
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the name is not found, told the same way as any other answer.
        mailbox_->Post(lookup, std::nullopt);
    }
}

void BackgroundLookups::ServeFinished() {
    std::vector<Mailbox::Result> results;
    {
        const std::lock_guard lock(mailbox_->mutex);
        results.swap(mailbox_->results);
    }
    for (const Mailbox::Result& result : results) {
        const auto asked = asked_.find(result.lookup);
        if (asked == asked_.end())
            continue;
        const Found found = std::move(asked->second);
        asked_.erase(asked);
        found(result.address);
    }
}

}  // namespace korva::transport
