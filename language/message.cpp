#include "language/message.h"

#include <cstdlib>

namespace korva::language {

void detail::KeyMissingFromTheEnglishCatalogue() {
    std::abort();
}

Message Message::Verbatim(std::string text) {
    Message message;
    message.verbatim_ = std::move(text);
    return message;
}

bool Argument::operator==(const Argument& other) const {
    if (name != other.name || value.index() != other.value.index())
        return false;
    if (const auto* message = std::get_if<std::shared_ptr<const Message>>(&value))
        return **message == *std::get<std::shared_ptr<const Message>>(other.value);
    return value == other.value;
}

}  // namespace korva::language
