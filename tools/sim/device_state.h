#pragma once
// What a simulated Korva device knows about itself, and how its measurements wander over time.
#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

#include "protocol/messages.h"

namespace korva::sim {

using Ipv4 = std::array<std::uint8_t, 4>;

struct NetworkParameters {
    Ipv4 address{};
    Ipv4 mask{};
    Ipv4 gateway{};
    bool operator==(const NetworkParameters&) const = default;
};

struct FirmwareDate {
    int day = 7;
    int month = 3;
    int year = 16;  // two digits
    int hour = 14;
    int minute = 5;
};

struct DeviceState {
    NetworkParameters current;
    // Written but not yet in force: the device applies them on its next reset.
    std::optional<NetworkParameters> pending;
    std::array<std::uint8_t, 6> mac{0x00, 0x1A, 0xAB, 0x00, 0x00, 0x00};
    std::string firmware = "1.52";
    FirmwareDate firmwareDate;

    int temperature = 26;     // degrees Celsius
    int humidity = 60;        // percent
    int batteryTenths = 244;  // tenths of a volt
    bool presence = false;
    int resetEcInput = 0;  // sent as is; the console lights its LED for 0
    std::array<bool, 3> links{true, true, false};
    std::int32_t echo = 4711;  // changes with every status reply
};

// An address in host byte order and its octets.
std::uint32_t AddressNumber(const Ipv4& octets);
Ipv4 AddressOctets(std::uint32_t address);

// What the device reports of itself, as the console's readers give it back.
StatusReading StatusReadingOf(const DeviceState& state);
ParameterReading ParameterReadingOf(const DeviceState& state);

// A device at the given address with the usual /24 mask, the gateway at .1 of its network, and a MAC
// ending in the address's last three octets.
DeviceState InitialState(const Ipv4& address);

// Moves the measurements a little and now and then flips an input, like a device left on a desk.
class Drift {
public:
    explicit Drift(std::uint32_t seed) : random_(seed) {}
    void Step(DeviceState& state);
    // A new echo number, never the one before.
    std::int32_t NextEcho(std::int32_t previous);

private:
    int Wander(int value, int low, int high);
    bool Chance(int percent);

    std::mt19937 random_;
};

}  // namespace korva::sim
