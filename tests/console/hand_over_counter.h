#pragma once
// Counts the datagrams the window's endpoint hands to UDPUDPRead from now on.
#include "console/TfrKorvaCfg01.h"

#include <cstddef>

class HandOverCounter {
public:
    explicit HandOverCounter(const korva::console::TfrKorvaCfg01& window)
        : window_(window), before_(window.DatagramsHandled()) {}

    std::size_t count() const { return static_cast<std::size_t>(window_.DatagramsHandled() - before_); }

private:
    const korva::console::TfrKorvaCfg01& window_;
    std::uint64_t before_;
};
