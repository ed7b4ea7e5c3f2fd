#include "tools/korvactl/commands/plan_row_verdict.h"

#include "protocol/ipv4_range.h"

namespace korva::ctl {

namespace {

bool HasMac(const ParameterReading& reading, const std::string& mac) {
    const auto reported = CanonicalMac(reading.mac);
    return reported && reported == CanonicalMac(mac);
}

language::Message InUse(const PlanRow& row, const ParameterReading& there) {
    if (row.mac.empty())
        return {"ctl.row.in_use", {{"new_address", row.newAddress}, {"device", Described(there)}}};
    return {"ctl.row.in_use_mac", {{"new_address", row.newAddress}, {"device", Described(there)}, {"mac", there.mac}}};
}

language::Message NoReply(const PlanRow& row, bool moves) {
    if (!moves)
        return {"ctl.row.no_reply", {{"address", row.address}}};
    return {"ctl.row.no_reply_either", {{"address", row.address}, {"new_address", row.newAddress}}};
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
            return {RowFinding::kConflict,
                    {"ctl.row.moved_otherwise",
                     {{"mac", row.mac}, {"new_address", row.newAddress}, {"device", Described(*there)}}}};
        // Moved by an earlier run of this plan.
        return {RowFinding::kAsPlanned,
                now ? language::Message("ctl.row.moved_old_answers", {{"mac", now->mac}}) : language::Message()};
    }
    if (moves && there)
        return {RowFinding::kConflict, InUse(row, *there)};
    if (now) {
        const std::vector<language::Argument> arguments = {
            {"address", row.address}, {"mac", now->mac}, {"planned", row.mac}, {"new_address", row.newAddress}};
        return {RowFinding::kNotFound, moves ? language::Message("ctl.row.other_mac_new_silent", arguments)
                                             : language::Message("ctl.row.other_mac", arguments)};
    }
    return {RowFinding::kNotFound, NoReply(row, moves)};
}

}  // namespace

bool AsPlanned(const ParameterReading& reading, const PlanRow& row) {
    return ParseIpv4(reading.address) == ParseIpv4(row.newAddress) && ParseIpv4(reading.mask) == ParseIpv4(row.mask) &&
           ParseIpv4(reading.gateway) == ParseIpv4(row.gateway);
}

language::Message Described(const ParameterReading& reading) {
    return {"ctl.row.described", {{"address", reading.address}, {"mask", reading.mask}, {"gateway", reading.gateway}}};
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
            return {RowFinding::kAsPlanned, {"ctl.row.moved_unchecked"}};
        return {RowFinding::kConflict, InUse(row, *there)};
    }
    if (now)
        return {RowFinding::kToChange, {}};
    return {RowFinding::kNotFound, NoReply(row, moves)};
}

}  // namespace korva::ctl
