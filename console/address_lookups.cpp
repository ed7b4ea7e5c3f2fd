#include "console/address_lookups.h"

#include <utility>

namespace korva::console {

void AddressLookups::Start(Asker asker, const std::string& name, Found found) {
    const std::uint64_t number = nextNumber_++;
    Entry(asker) = Lookup{number, 0, std::move(found)};
    lookups_.Start(name, [this, asker, number](std::optional<std::uint32_t> address) {
        // An answer to a lookup given up or forgotten since, or to one asked before it, is nobody's.
        if (Entry(asker) && Entry(asker)->number == number)
            Finish(asker, address);
    });
}

void AddressLookups::Tick() {
    for (std::size_t i = 0; i < running_.size(); ++i) {
        const auto asker = static_cast<Asker>(i);
        if (Entry(asker) && ++Entry(asker)->ticks >= kGiveUpTicks)
            Finish(asker, std::nullopt);
    }
}

void AddressLookups::Finish(Asker asker, std::optional<std::uint32_t> address) {
    // Forgotten before found runs: found may start the next lookup for the same asker.
    const Found found = std::move(Entry(asker)->found);
    Entry(asker).reset();
    found(address);
}

}  // namespace korva::console
