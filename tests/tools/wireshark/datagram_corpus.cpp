#include "tests/tools/wireshark/datagram_corpus.h"

#include "protocol/address_text.h"
#include "protocol/messages.h"
#include "protocol/numbers.h"
#include "protocol/unscramble.h"

#include <limits>
#include <random>

namespace korva::wireshark_testing {

namespace {

constexpr int kLastDeviceField = 26;

class Corpus {
public:
    explicit Corpus(std::uint32_t seed) : random_(seed) {}

    void AddRequests();
    void AddReplies();
    void AddOddDatagrams();
    std::vector<Datagram> Take() { return std::move(datagrams_); }

private:
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool OneIn(int n) { return Between(1, n) == 1; }
    std::string RandomBytes(std::size_t size, int lowest, int highest);
    std::string FieldValue(int k, const std::string& keyword);
    std::string DottedQuad();
    std::string ReplyLine(const ScrambleForm& form, const std::string& keyword, int lastField);
    void AddRequest(std::string bytes, RequestMeaning meaning) {
        std::string origin = "request " + meaning.kind;
        datagrams_.push_back({std::move(bytes), std::move(meaning), std::move(origin)});
    }
    void AddReply(std::string bytes, std::string origin) {
        datagrams_.push_back({std::move(bytes), std::nullopt, std::move(origin)});
    }

    std::mt19937 random_;
    std::vector<Datagram> datagrams_;
};

std::string Corpus::RandomBytes(std::size_t size, int lowest, int highest) {
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(Between(lowest, highest));
    return bytes;
}

std::string Corpus::DottedQuad() {
    // Mostly octets 0-255; sometimes fewer octets or longer ones, which the builder pads and cuts.
    const int octets = OneIn(8) ? Between(0, 5) : 4;
    std::string quad;
    for (int i = 0; i < octets; ++i)
        quad += (i ? "." : "") + std::to_string(OneIn(10) ? Between(256, 99999) : Between(0, 255));
    return quad;
}

// A field as devices send it, or one of the oddities a reader must survive.
std::string Corpus::FieldValue(int k, const std::string& keyword) {
    static const char* const kOdd[] = {"ALT",
                                       "alt",
                                       " ALT",
                                       "ALT ",
                                       "1",
                                       "0",
                                       " 1",
                                       "1 ",
                                       " 42",
                                       "42 ",
                                       "-7",
                                       "$1F",
                                       "0x10",
                                       "2147483648",
                                       "-2147483648",
                                       "C0.A8.00.FA",
                                       "0:26:171:1:2:255",
                                       "0:1a:ab:1:2:ff",
                                       "256:1:2:3:4:5",
                                       "ack",
                                       "ACK",
                                       "NAK",
                                       "",
                                       "7",
                                       "123456"};
    if (OneIn(4))
        return kOdd[Between(0, std::size(kOdd) - 1)];
    if (OneIn(6)) {
        std::string text = RandomBytes(Between(1, 6), 32, 126);
        for (char& c : text)
            c = c == ',' ? ';' : c;  // one field stays one field
        return text;
    }
    if (keyword == "RPR" && k >= 4 && k <= 6)
        return DottedQuad();
    if (keyword == "RPR" && k == 7)
        return std::to_string(Between(0, 255)) + ":" + std::to_string(Between(0, 255)) +
               ":1a:" + std::to_string(Between(0, 99)) + ":ff:0";
    if (keyword == "RST" && k == 4)
        return OneIn(2) ? "ACK" : "NAK";
    if (k == kLastDeviceField || k == 13 || k == 15)
        return OneIn(2) ? "ALT" : "0";
    return std::to_string(Between(-40, 300));
}

std::string Corpus::ReplyLine(const ScrambleForm& form, const std::string& keyword, int lastField) {
    std::string line = form.version == 0 ? "0100" : std::to_string(form.version);
    if (form.version >= 130)
        line += "," + HexText(form.key, 2) + "," + HexText(form.n, 2);
    for (int k = 2; k <= lastField; ++k)
        line += "," + (k == 2 ? keyword : FieldValue(k, keyword));
    return line;
}

void Corpus::AddRequests() {
    AddRequest(BuildLiveDataRequest(), {.kind = "live data"});
    AddRequest(BuildParameterRequest(true), {.kind = "parameters, manual"});
    AddRequest(BuildParameterRequest(false), {.kind = "parameters, automatic"});
    std::vector<std::int32_t> echoes = {0,
                                        1,
                                        4711,
                                        -5,
                                        9999999,
                                        10000000,
                                        std::numeric_limits<std::int32_t>::max(),
                                        std::numeric_limits<std::int32_t>::min()};
    for (int i = 0; i < 40; ++i)
        echoes.push_back(static_cast<std::int32_t>(random_()));
    for (std::int32_t echo : echoes)
        AddRequest(BuildResetCommand(echo), {.kind = "reset", .echo = echo});
    for (int i = 0; i < 40; ++i) {
        const std::string address = DottedQuad(), mask = DottedQuad(), gateway = DottedQuad();
        AddRequest(BuildWriteCommand(address, mask, gateway), {.kind = "write",
                                                               .newAddress = PaddedDottedQuad(address),
                                                               .newMask = PaddedDottedQuad(mask),
                                                               .newGateway = PaddedDottedQuad(gateway)});
    }
}

void Corpus::AddReplies() {
    const int versions[] = {0, 101, 120, 129, 130, 131, 149, 150, 200};
    const char* const keywords[] = {"SND", "RPR", "RST", "WPR", "snd", " Rst", "XYZ"};
    for (int version : versions) {
        for (const char* keyword : keywords) {
            for (int repetition = 0; repetition < 9; ++repetition) {
                const ScrambleForm form{version, Between(0, 255), Between(0, 40)};
                // complete, fields missing, fields added
                const int lastField = repetition % 3 == 0   ? kLastDeviceField
                                      : repetition % 3 == 1 ? Between(1, kLastDeviceField - 1)
                                                            : kLastDeviceField + Between(1, 12);
                std::string sent = ScrambleReply(ReplyLine(form, keyword, lastField), form);
                if (OneIn(5))
                    sent = " \r\n" + sent + "\r\n";  // blanks around a reply shift every position
                AddReply(std::move(sent), "reply " + std::string(keyword) + " version " + std::to_string(version) +
                                              " fields " + std::to_string(lastField));
            }
        }
    }
}

void Corpus::AddOddDatagrams() {
    for (int i = 0; i < 3; ++i)
        AddReply("", "empty");
    AddReply(" \r\n", "blanks");
    AddReply(std::string(5, '\0'), "NUL bytes");
    AddReply(std::string("0100,SND,0,2\0\0,60", 17), "plain reply with NUL bytes");
    for (int i = 0; i < 500; ++i)
        AddReply(RandomBytes(Between(1, OneIn(10) ? 2000 : 120), 0, 255), "random bytes");
    // Around the console's limit, and the longest an IPv4 datagram can be.
    for (std::size_t size : {8192u, 8193u, 9000u, 65507u})
        AddReply(RandomBytes(size, 0, 255), "long random bytes");
    const ScrambleForm newForm{150, 0x3F, 0x14};
    AddReply(ScrambleReply(ReplyLine(newForm, "SND", 9000), newForm), "long status reply");
    // The README's decode example, which ends at its echo number.
    AddReply("0100,snd,0,25,60,244,1,0,1,123", "README status reply");
    // Negative keys, as devices report them in eight hexadecimal digits: the key's remainder keeps its sign.
    for (const int key : {-65, -1, -60, -200}) {
        for (const int version : {130, 150}) {
            const ScrambleForm form{version, key, Between(0, 40)};
            AddReply(ScrambleReply(ReplyLine(form, "SND", kLastDeviceField), form),
                     "status reply, key " + std::to_string(key) + ", version " + std::to_string(version));
        }
    }
}

}  // namespace

std::vector<Datagram> BuildCorpus(std::uint32_t seed) {
    Corpus corpus(seed);
    corpus.AddRequests();
    corpus.AddReplies();
    corpus.AddOddDatagrams();
    return corpus.Take();
}

}  // namespace korva::wireshark_testing
