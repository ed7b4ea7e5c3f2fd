#pragma once
// The names typed in the device's address box, looked up for the console's rules without holding up the
// window: each asker (a button, automatic mode) has at most one lookup running, and a lookup still
// running after two seconds of polling ticks is given up as a name found nowhere.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "transport/name_resolver.h"

namespace korva::console {

class AddressLookups {
public:
    // The buttons that send to the device's address, and automatic mode, which resolves it as it starts.
    enum class Asker { kReadLiveData, kReadParameters, kWrite, kAutomaticMode };
    using Found = transport::NameLookups::Found;

    // Four polling ticks: the operator waits two seconds at the most.
    static constexpr int kGiveUpTicks = 4;

    explicit AddressLookups(transport::NameLookups& lookups) : lookups_(lookups) {}

    // Starts looking name up for asker; found hears of it once, on this thread, unless it is forgotten
    // first. asker must have no lookup running.
    void Start(Asker asker, const std::string& name, Found found);
    bool Running(Asker asker) const { return Entry(asker).has_value(); }
    // found will never hear of asker's lookup.
    void Forget(Asker asker) { Entry(asker).reset(); }

    // A polling tick: each lookup running for kGiveUpTicks is forgotten and its found hears nullopt.
    void Tick();

private:
    struct Lookup {
        std::uint64_t number;
        int ticks;
        Found found;
    };
    std::optional<Lookup>& Entry(Asker asker) { return running_[static_cast<std::size_t>(asker)]; }
    const std::optional<Lookup>& Entry(Asker asker) const { return running_[static_cast<std::size_t>(asker)]; }
    // Ends asker's lookup and tells its found.
    void Finish(Asker asker, std::optional<std::uint32_t> address);

    transport::NameLookups& lookups_;
    std::array<std::optional<Lookup>, 4> running_;
    std::uint64_t nextNumber_ = 0;
};

}  // namespace korva::console
