#include "tools/sim/faults.h"

#include "protocol/fields.h"
#include "protocol/reply_writer.h"

namespace korva::sim {
namespace {

// Comma field of the keyword, counted from 1: the new form has two more header fields.
int KeywordField(const ScrambleForm& form) {
    return form.version >= 130 ? 4 : 2;
}

// The keyword field's view into plain; empty when the line has no such field.
std::string_view KeywordIn(const std::string& plain, const ScrambleForm& form) {
    return Fields(plain, ',', KeywordField(form))[KeywordField(form)];
}

std::string WithKeyword(const std::string& plain, const ScrambleForm& form, std::string_view keyword) {
    const std::string_view word = KeywordIn(plain, form);
    if (word.empty())
        return plain;
    std::string changed = plain;
    changed.replace(static_cast<std::size_t>(word.data() - plain.data()), word.size(), keyword);
    return changed;
}

std::string WithEmptyFields(const std::string& plain, const ScrambleForm& form) {
    const std::string_view keyword = KeywordIn(plain, form);
    if (keyword.empty())
        return plain;
    const auto afterKeyword = static_cast<std::size_t>(keyword.data() + keyword.size() - plain.data());
    std::string changed = plain.substr(0, afterKeyword);
    for (char c : plain.substr(afterKeyword))
        changed += c == ',' ? std::string(",,") : std::string(1, c);
    return changed;
}

void Note(std::string& faults, const char* fault) {
    if (!faults.empty())
        faults += ", ";
    faults += fault;
}

}  // namespace

std::optional<FaultyReply> FaultInjector::Apply(const Reply& reply, const ScrambleForm& form) {
    if (Chance(settings_.dropPercent))
        return std::nullopt;
    FaultyReply out{reply, {}};
    if (Chance(settings_.wrongKeywordPercent)) {
        out.reply.plain = WithKeyword(out.reply.plain, form, "ERR");
        Note(out.faults, "wrong keyword");
    }
    if (Chance(settings_.extraEmptyFieldsPercent)) {
        out.reply.plain = WithEmptyFields(out.reply.plain, form);
        Note(out.faults, "extra empty fields");
    }
    if (!out.faults.empty())
        out.reply.sent = SendableReply(out.reply.plain, form);
    if (Chance(settings_.truncatePercent)) {
        out.reply.sent.resize(out.reply.sent.size() / 2);
        Note(out.faults, "truncated");
    }
    return out;
}

bool FaultInjector::Chance(int percent) {
    if (percent <= 0)
        return false;
    if (percent >= 100)
        return true;
    std::uniform_int_distribution<int> roll(0, 99);
    return roll(random_) < percent;
}

}  // namespace korva::sim
