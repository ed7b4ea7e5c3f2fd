#include "language/catalogue.h"

#include "language/embedded_catalogues.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace korva::language {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

bool IsNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

std::string_view TrimmedStart(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view TrimmedEnd(std::string_view text) {
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A placeholder of a text and the characters it takes there, [begin, end).
struct Found {
    std::size_t begin;
    std::size_t end;
    Placeholder placeholder;
};

std::optional<Found> NextPlaceholder(std::string_view text, std::size_t from) {
    for (std::size_t open = text.find('{', from); open != std::string_view::npos; open = text.find('{', open + 1)) {
        const std::size_t close = text.find_first_of("{}", open + 1);
        if (close == std::string_view::npos)
            return std::nullopt;
        if (text[close] == '{')
            continue;  // this one holds no placeholder; the next may
        const std::string_view inside = text.substr(open + 1, close - open - 1);
        Placeholder placeholder;
        std::size_t bar = inside.find('|');
        placeholder.name = inside.substr(0, bar);
        while (bar != std::string_view::npos) {
            const std::size_t next = inside.find('|', bar + 1);
            placeholder.forms.push_back(inside.substr(bar + 1, next == std::string_view::npos ? next : next - bar - 1));
            bar = next;
        }
        const std::string_view name = placeholder.name;
        if (!name.empty() && std::all_of(name.begin(), name.end(), IsNameCharacter))
            return Found{open, close + 1, std::move(placeholder)};
    }
    return std::nullopt;
}

}  // namespace

Catalogue::Catalogue(std::string code, std::string_view text) : code_(std::move(code)) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    std::string* goesOn = nullptr;  // the entry an indented line continues
    int number = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = TrimmedEnd(text.substr(start, end - start));
        start = end + 1;
        const std::string where = "line " + std::to_string(++number) + ": ";
        if (line.empty() || line.front() == '#') {
            goesOn = nullptr;
            continue;
        }
        if (IsBlank(line.front())) {
            if (goesOn)
                goesOn->append("\n").append(TrimmedStart(line));
            else
                problems_.push_back(where + "an indented line after no entry");
            continue;
        }
        goesOn = nullptr;
        const std::size_t keyEnd =
            std::min(line.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_."), line.size());
        const std::string_view key = line.substr(0, keyEnd);
        const std::string_view rest = TrimmedStart(line.substr(keyEnd));
        if (key.empty() || rest.empty() || rest.front() != '=') {
            problems_.push_back(where + "not \"key = text\"");
            continue;
        }
        const auto [entry, added] = texts_.try_emplace(std::string(key), TrimmedStart(rest.substr(1)));
        if (!added) {
            problems_.push_back(where + std::string(key) + " again");
            continue;
        }
        goesOn = &entry->second;
    }

    const std::string* singular = Find("plural.singular");
    for (std::string_view counts = singular ? std::string_view(*singular) : "1"; !counts.empty();) {
        long long count = 0;
        const auto [end, error] = std::from_chars(counts.data(), counts.data() + counts.size(), count);
        if (error != std::errc()) {
            problems_.push_back("plural.singular holds more than counts");
            break;
        }
        singular_.push_back(count);
        counts = TrimmedStart(counts.substr(static_cast<std::size_t>(end - counts.data())));
    }
}

const std::string* Catalogue::Find(std::string_view key) const {
    const auto found = texts_.find(key);
    return found == texts_.end() ? nullptr : &found->second;
}

std::vector<std::string_view> Catalogue::Keys() const {
    std::vector<std::string_view> keys;
    for (const auto& entry : texts_)
        keys.push_back(entry.first);
    return keys;
}

std::string_view Catalogue::Written(Key key) const {
    if (const std::string* text = Find(key.Name()))
        return *text;
    if (const std::string* english = English().Find(key.Name()))
        return *english;
    return key.Name();
}

std::size_t Catalogue::FormOf(const Argument& argument) const {
    const auto* count = std::get_if<long long>(&argument.value);
    return count && std::find(singular_.begin(), singular_.end(), *count) != singular_.end() ? 0 : 1;
}

std::string Catalogue::Text(const Message& message) const {
    if (message.GetKey().Name().empty())
        return message.VerbatimText();
    const std::string_view text = Written(message.GetKey());
    const std::vector<Argument>& arguments = message.Arguments();
    std::string worded;
    std::size_t at = 0;
    while (const auto found = NextPlaceholder(text, at)) {
        worded += text.substr(at, found->begin - at);
        at = found->end;
        const auto argument = std::find_if(arguments.begin(), arguments.end(), [&](const Argument& given) {
            return given.name == found->placeholder.name;
        });
        const std::vector<std::string_view>& forms = found->placeholder.forms;
        if (argument == arguments.end())
            worded += text.substr(found->begin, found->end - found->begin);
        else if (!forms.empty())
            worded += forms[std::min(FormOf(*argument), forms.size() - 1)];
        else if (const auto* given = std::get_if<std::string>(&argument->value))
            worded += *given;
        else if (const auto* count = std::get_if<long long>(&argument->value))
            worded += std::to_string(*count);
        else if (const auto* key = std::get_if<Key>(&argument->value))
            worded += Written(*key);
        else
            worded += Text(*std::get<std::shared_ptr<const Message>>(argument->value));
    }
    worded += text.substr(at);
    return worded;
}

const std::vector<Catalogue>& Catalogues() {
    static const std::vector<Catalogue> catalogues = [] {
        std::vector<Catalogue> all;
        for (const EmbeddedCatalogue& embedded : EmbeddedCatalogues())
            all.emplace_back(std::string(embedded.code), embedded.text);
        return all;
    }();
    return catalogues;
}

const Catalogue* FindCatalogue(std::string_view code) {
    for (const Catalogue& catalogue : Catalogues()) {
        if (catalogue.Code() == code)
            return &catalogue;
    }
    return nullptr;
}

const Catalogue& English() {
    static const Catalogue& english = *FindCatalogue("en");
    return english;
}

std::vector<Placeholder> Placeholders(std::string_view text) {
    std::vector<Placeholder> placeholders;
    std::size_t at = 0;
    while (const auto found = NextPlaceholder(text, at)) {
        placeholders.push_back(found->placeholder);
        at = found->end;
    }
    return placeholders;
}

}  // namespace korva::language
