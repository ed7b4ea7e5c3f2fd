#include "tools/korvactl/commands/plan_row_verdict.h"

#include "protocol/ipv4_range.h"

namespace korva::ctl {

namespace {

bool HasMac(const ParameterReading& reading, const std::string& mac) {
    const auto reported = CanonicalMac(reading.mac);
    return reported && reported == CanonicalMac(mac);
}

std::string InUse(const PlanRow& row, const ParameterReading& there) {
    return "new address " + row.newAddress + " is in use: a device answers there now (" + Described(there) +
           (row.mac.empty() ? "" : ", MAC " + there.mac) + ")";
}

// The row names its device's MAC: an answer from any other MAC is another device.
RowVerdict JudgeByMac(const PlanRow& row, const std::optional<ParameterReading>& now,
                      const std::optional<ParameterReading>& there, bool moves) {
    if (now && HasMac(*now, row.mac)) {
        if (!moves)
            return {AsPlanned(*now, row) ? RowFinding::kAsPlanned : RowFinding::kToChange, {}};
        if (there)
            return {RowFinding::kConflict, InUse(row, *there)};
        return {RowFinding::kToChange, {}};
    }
    if (moves && there && HasMac(*there, row.mac)) {
        if (!AsPlanned(*there, row))
            return {RowFinding::kConflict, "the device with MAC " + row.mac + " answers at its new address " +
                                               row.newAddress + " with other parameters (" + Described(*there) +
                                               "); plan it from there"};
        // Moved by an earlier run of this plan.
        return {RowFinding::kAsPlanned,
                now ? "found at the new address as planned; the old address answers with MAC " + now->mac : ""};
    }
    if (moves && there)
        return {RowFinding::kConflict, InUse(row, *there)};
    if (now)
        return {RowFinding::kNotFound, row.address + " answers with MAC " + now->mac + ", not " + row.mac +
                                           (moves ? "; no reply at " + row.newAddress : "")};
    return {RowFinding::kNotFound, "no reply at " + row.address + (moves ? " nor at " + row.newAddress : "")};
}

}  // namespace

bool AsPlanned(const ParameterReading& reading, const PlanRow& row) {
    return ParseIpv4(reading.address) == ParseIpv4(row.newAddress) && ParseIpv4(reading.mask) == ParseIpv4(row.mask) &&
           ParseIpv4(reading.gateway) == ParseIpv4(row.gateway);
}

std::string Described(const ParameterReading& reading) {
    return "address " + reading.address + ", mask " + reading.mask + ", gateway " + reading.gateway;
}

RowVerdict JudgeRow(const PlanRow& row, const std::optional<ParameterReading>& now,
                    const std::optional<ParameterReading>& there) {
    const bool moves = ParseIpv4(row.address) != ParseIpv4(row.newAddress);
    if (!row.mac.empty())
        return JudgeByMac(row, now, there, moves);
    if (now && !moves)
        return {AsPlanned(*now, row) ? RowFinding::kAsPlanned : RowFinding::kToChange, {}};
    if (moves && there) {
        // Silent where it was and as planned where it went: moved by an earlier run, as far as can be told
        // without its MAC. While the old address answers, the device there is the row's, and the one at
        // the new address another.
        if (!now && AsPlanned(*there, row))
            return {RowFinding::kAsPlanned,
                    "found at the new address as planned; old address silent; identity not checked"};
        return {RowFinding::kConflict, InUse(row, *there)};
    }
    if (now)
        return {RowFinding::kToChange, {}};
    return {RowFinding::kNotFound, "no reply at " + row.address + (moves ? " nor at " + row.newAddress : "")};
}

}  // namespace korva::ctl
