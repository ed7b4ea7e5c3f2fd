#include "tools/sim/device_state.h"

#include "protocol/address_text.h"
#include "protocol/numbers.h"

#include <algorithm>

namespace korva::sim {

std::uint32_t AddressNumber(const Ipv4& octets) {
    return std::uint32_t{octets[0]} << 24 | std::uint32_t{octets[1]} << 16 | std::uint32_t{octets[2]} << 8 | octets[3];
}

Ipv4 AddressOctets(std::uint32_t address) {
    return {static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
            static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
}

StatusReading StatusReadingOf(const DeviceState& state) {
    StatusReading status;
    status.temperature = state.temperature;
    status.humidity = state.humidity;
    status.batteryTenths = state.batteryTenths;
    status.presence = state.presence;
    status.resetState = state.resetEcInput == 0;
    status.link1 = state.links[0];
    status.link2 = state.links[1];
    status.link3 = state.links[2];
    status.echo = state.echo;
    status.changed = state.pending.has_value();
    return status;
}

ParameterReading ParameterReadingOf(const DeviceState& state) {
    ParameterReading parameters;
    parameters.address = Ipv4Text(AddressNumber(state.current.address));
    parameters.mask = Ipv4Text(AddressNumber(state.current.mask));
    parameters.gateway = Ipv4Text(AddressNumber(state.current.gateway));
    for (const std::uint8_t octet : state.mac)
        parameters.mac += (parameters.mac.empty() ? "" : "-") + HexText(octet, 2);
    const FirmwareDate& date = state.firmwareDate;
    parameters.firmware = state.firmware + " " + ZeroPadded(date.day, 2) + "/" + ZeroPadded(date.month, 2) + "/" +
                          ZeroPadded(date.year, 2) + " " + ZeroPadded(date.hour, 2) + ":" + ZeroPadded(date.minute, 2);
    parameters.changed = state.pending.has_value();
    return parameters;
}

DeviceState InitialState(const Ipv4& address) {
    DeviceState state;
    state.current.address = address;
    state.current.mask = {255, 255, 255, 0};
    state.current.gateway = {address[0], address[1], address[2], 1};
    // Devices of one simulator must differ in their MAC as real ones do; the address makes it unique.
    state.mac = {0x00, 0x1A, 0xAB, address[1], address[2], address[3]};
    return state;
}

void Drift::Step(DeviceState& state) {
    state.temperature = Wander(state.temperature, 15, 40);
    state.humidity = Wander(state.humidity, 20, 95);
    state.batteryTenths = Wander(state.batteryTenths, 220, 270);
    if (Chance(5))
        state.presence = !state.presence;
    if (Chance(2))
        state.resetEcInput = 1 - state.resetEcInput;
    for (bool& link : state.links) {
        if (Chance(3))
            link = !link;
    }
}

std::int32_t Drift::NextEcho(std::int32_t previous) {
    // Seven digits: the reset command carries the echo number in a seven-digit field.
    std::uniform_int_distribution<std::int32_t> digits(0, 9'999'999);
    std::int32_t next = digits(random_);
    while (next == previous)
        next = digits(random_);
    return next;
}

int Drift::Wander(int value, int low, int high) {
    // One step in three, by one unit: slow enough to watch, fast enough to see it move.
    std::uniform_int_distribution<int> step(-1, 1);
    if (!Chance(33))
        return value;
    return std::clamp(value + step(random_), low, high);
}

bool Drift::Chance(int percent) {
    std::uniform_int_distribution<int> roll(0, 99);
    return roll(random_) < percent;
}

}  // namespace korva::sim
