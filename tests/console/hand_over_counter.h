#pragma once
// Counts the datagrams the console's endpoint hands to the rules from now on.
#include "app/console_wiring.h"

#include <cstddef>

class HandOverCounter {
public:
    explicit HandOverCounter(const korva::app::ConsoleWiring& console)
        : console_(console), before_(console.DatagramsHandled()) {}

    std::size_t count() const { return static_cast<std::size_t>(console_.DatagramsHandled() - before_); }

private:
    const korva::app::ConsoleWiring& console_;
    std::uint64_t before_;
};
