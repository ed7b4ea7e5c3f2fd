#pragma once
// Name lookups on threads of their own, one a lookup, so that a slow name server never holds up the
// owner's thread, and a lookup stuck in it never holds up the next one. A finished lookup wakes the owner
// as the endpoint does; the owner then calls ServeFinished on its own thread, which hands each result to
// the one who asked.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "transport/name_resolver.h"

namespace korva::transport {

class BackgroundLookups : public NameLookups {
public:
    // wakeOwner is called on a lookup's thread once it has finished.
    BackgroundLookups(std::shared_ptr<NameResolver> resolver, std::function<void()> wakeOwner);
    // Lookups still running end unheard: their threads finish on their own, and wake nobody.
    ~BackgroundLookups() override;
    BackgroundLookups(const BackgroundLookups&) = delete;
    BackgroundLookups& operator=(const BackgroundLookups&) = delete;

    void Start(const std::string& name, Found found) override;

    // Owner's thread: hands out every result that has come since the last call, in the order they came.
    // Re-entrant: a result's receiver may wait in a modal loop that calls it again.
    void ServeFinished();

private:
    struct Mailbox;

    std::shared_ptr<NameResolver> resolver_;
    std::shared_ptr<Mailbox> mailbox_;      // shared with the lookups' threads
    std::map<std::uint64_t, Found> asked_;  // owner's thread only
    std::uint64_t nextLookup_ = 0;
};

}  // namespace korva::transport
