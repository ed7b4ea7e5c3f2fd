#include "protocol/unscramble.h"

#include "protocol/text_fields.h"

namespace korva {

namespace {

constexpr std::size_t kHeaderBytes = 20;
constexpr int kBaseShift = 35;
constexpr int kFirstOldVersion = 101;
constexpr int kFirstNewVersion = 130;

char Shifted(char c, long long shift)
{
    // Conversion to an unsigned byte is arithmetic modulo 256, which is the wrap the devices use.
    return static_cast<char>(static_cast<unsigned char>(static_cast<long long>(static_cast<unsigned char>(c)) + shift));
}

long long NewFormShift(std::size_t position, int n, int key)
{
    const long long cycle = static_cast<long long>(position % kHeaderBytes);
    return static_cast<long long>(position) < n ? cycle + kBaseShift : cycle + key;
}

// The first bytes un-shifted as the old form would: enough to read any form's header.
std::string DecodedHeader(std::string_view text)
{
    std::string header(text.substr(0, kHeaderBytes));
    for (std::size_t p = 0; p < header.size(); ++p)
        header[p] = Shifted(header[p], -static_cast<long long>(p) - kBaseShift);
    return header;
}

// Bytes above 95 lose bit 5 and everything above bit 6: a-z become A-Z and 128-255 fold into 0-95.
void FoldHighBytes(std::string& text)
{
    for (char& c : text) {
        if (static_cast<unsigned char>(c) > 95)
            c = static_cast<char>(static_cast<unsigned char>(c) & 0x5F);
    }
}

void TrimInPlace(std::string& text)
{
    const std::string_view trimmed = TrimView(text);
    const auto begin = static_cast<std::size_t>(trimmed.data() - text.data());
    text.erase(begin + trimmed.size()).erase(0, begin);
}

}  // namespace

void UnscrambleReply(std::string& text, int& headerOffset, int& formatVersion)
{
    headerOffset = 0;
    formatVersion = 0;
    TrimInPlace(text);

    if (text.compare(0, 4, "0100") != 0) {
        const std::string header = DecodedHeader(text);
        const ReplyFields headerFields(header);
        formatVersion = ToInteger(headerFields[1]);

        if (formatVersion >= kFirstNewVersion) {
            headerOffset = 2;
            const int key = HexValue(headerFields[2]) % 60;  // remainder with the sign of the key
            const int n = HexValue(headerFields[3]);
            for (std::size_t p = 0; p < text.size(); ++p)
                text[p] = Shifted(text[p], -NewFormShift(p, n, key));
        } else if (formatVersion >= kFirstOldVersion) {
            // The old form shifts by the full position, not reduced modulo 20.
            for (std::size_t p = 0; p < text.size(); ++p)
                text[p] = Shifted(text[p], -static_cast<long long>(p) - kBaseShift);
        }
    }

    TrimInPlace(text);
    FoldHighBytes(text);
}

PlainReply UnscrambleReply(std::string_view received)
{
    PlainReply reply{std::string(received)};
    UnscrambleReply(reply.text, reply.headerOffset, reply.formatVersion);
    return reply;
}

std::string ScrambleReply(std::string_view plain, const ScrambleForm& form)
{
    std::string sent(plain);
    if (form.version >= kFirstNewVersion) {
        const int key = form.key % 60;
        for (std::size_t p = 0; p < sent.size(); ++p)
            sent[p] = Shifted(sent[p], NewFormShift(p, form.n, key));
    } else if (form.version >= kFirstOldVersion) {
        for (std::size_t p = 0; p < sent.size(); ++p)
            sent[p] = Shifted(sent[p], static_cast<long long>(p) + kBaseShift);
    }
    return sent;
}

}  // namespace korva
