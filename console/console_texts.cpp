#include "console/console_texts.h"

#include <algorithm>

#include "protocol/cp1252.h"

namespace korva::console::texts {
namespace {

using language::Key;
using language::Message;

const language::Catalogue* chosen = nullptr;

Key Why(ParameterFault fault) {
    switch (fault) {
        case ParameterFault::kNotDottedQuad:
            return "console.refused.not_dotted_quad";
        case ParameterFault::kMaskNotContiguous:
            return "console.refused.mask_not_contiguous";
        case ParameterFault::kMaskLeavesNoRoom:
            return "console.refused.mask_leaves_no_room";
        case ParameterFault::kNetworkAddress:
            return "console.refused.network_address";
        case ParameterFault::kBroadcastAddress:
            return "console.refused.broadcast_address";
        case ParameterFault::kGatewayOutsideSubnet:
            return "console.refused.gateway_outside_subnet";
        case ParameterFault::kGatewayIsAddress:
            return "console.refused.gateway_is_address";
        case ParameterFault::kThisNetwork:
            return "console.refused.this_network";
        case ParameterFault::kMulticast:
            return "console.refused.multicast";
        case ParameterFault::kReserved:
            return "console.refused.reserved";
        case ParameterFault::kLinkLocal:
            return "console.refused.link_local";
        case ParameterFault::kLoopback:
            break;
    }
    return "console.refused.loopback";
}

// A box of the new parameters: its caption, and its name under the new parameters' caption, the
// adjective agreeing ("máscara nova").
struct BoxWords {
    Key caption;
    Key newBox;
};
BoxWords WordsFor(ParameterBox box) {
    switch (box) {
        case ParameterBox::kAddress:
            return {kAddressCaption, "console.name.new_address"};
        case ParameterBox::kMask:
            return {kMaskCaption, "console.name.new_mask"};
        case ParameterBox::kGateway:
            break;
    }
    return {kGatewayCaption, "console.name.new_gateway"};
}

// The words for each indicator's states.
struct LedWords {
    Key caption;
    Key good;
    Key bad;
    Key dark;
};
constexpr LedWords kLedWords[] = {
    {kAutomatic, "console.led.on", "console.led.on", "console.led.off"},
    {kPresence, "console.led.detected", "console.led.not_detected", "console.led.no_reading"},
    {kResetEc, "console.led.inactive", "console.led.active", "console.led.no_reading"},
};
constexpr LedWords kNetworkLinkWords = {{}, "console.led.link_up", "console.led.link_down", "console.led.no_reading"};

const LedWords& WordsFor(Key caption) {
    const auto found =
        std::find_if(std::begin(kLedWords), std::end(kLedWords), [caption](const LedWords& words) { return words.caption == caption; });
    return found == std::end(kLedWords) ? kNetworkLinkWords : *found;
}

}  // namespace

void UseLanguage(const language::Catalogue& catalogue) {
    chosen = &catalogue;
}

const language::Catalogue& Language() {
    return chosen ? *chosen : *language::FindCatalogue("pt");
}

std::string Text(Key key) {
    return key.Name().empty() ? std::string() : Language().Text(key);
}

std::string MessageText(const Message& message) {
    std::string text = Language().Text(message);
    std::replace(text.begin(), text.end(), '\n', '\r');
    return text;
}

std::string BoxName(ParameterBox box) {
    return Text(WordsFor(box).caption);
}

std::string SettingsSavedElsewhere(const std::string& readFrom, const std::string& savedTo) {
    return MessageText({"console.settings_saved_elsewhere", {{"read_from", readFrom}, {"saved_to", savedTo}}});
}

std::string NoReplyFrom(const std::string& address) {
    return MessageText({"console.no_reply_from", {{"address", address}}});
}

std::string ResetConfirmed(const std::string& address) {
    return MessageText({"console.reset_confirmed", {{"address", address}}});
}

std::string RestartingAt(const std::string& address) {
    return MessageText({"console.restarting_at", {{"address", address}}});
}

std::string NoReplyAfterMove(const std::string& address, const std::string& before) {
    return MessageText({"console.no_reply_after_move", {{"address", address}, {"before", before}}});
}

std::string ResetCancelled(const std::string& address) {
    return MessageText({"console.reset_cancelled", {{"address", address}}});
}

std::string RefusedValue(const NewParameters& parameters, const ParameterProblem& problem) {
    const std::string& value = ValueIn(parameters, problem.box);
    const Message reason(Why(problem.fault), {{"address", parameters.address}, {"mask", parameters.mask}});
    return MessageText({"console.refused",
                        {{"box", WordsFor(problem.box).newBox},
                         {"value", value.empty() ? Text("console.refused.empty") : Cp1252ToUtf8(value)},
                         {"reason", reason}}});
}

std::string ConfirmWrite(const std::vector<Change>& changes) {
    std::string text = MessageText(kConfirmWrite);
    text += "\r";
    if (changes.empty())
        text += "\r" + Text("console.confirm_write.no_difference");
    for (const Change& change : changes) {
        const std::string box = BoxName(change.box);
        text += "\r";
        text += change.from.empty()
                    ? MessageText({"console.confirm_write.unread", {{"box", box}, {"to", change.to}}})
                    : MessageText({"console.confirm_write.change",
                                   {{"box", box}, {"from", Cp1252ToUtf8(change.from)}, {"to", change.to}}});
    }
    return text;
}

std::string LedDescription(Key caption, LedState state, bool stale) {
    const LedWords& words = WordsFor(caption);
    const Key word = state == LedState::kGood ? words.good : state == LedState::kBad ? words.bad : words.dark;
    const Key form = stale && state != LedState::kDark ? Key("console.led.stale") : Key("console.led");
    return MessageText({form, {{"caption", caption}, {"state", word}}});
}

}  // namespace korva::console::texts
