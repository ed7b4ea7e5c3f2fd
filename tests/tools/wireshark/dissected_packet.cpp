#include "tests/tools/wireshark/dissected_packet.h"

#include "protocol/cp1252.h"
#include "protocol/fields.h"

#include <sstream>

namespace korva::wireshark_testing {

namespace {

// The console reads datagrams into a buffer of this size and drops longer ones.
constexpr std::size_t kConsoleDatagramLimit = 8192;

bool StartsWithKorva(const std::string& key) {
    return key.rfind("korva.", 0) == 0;
}

void CollectExperts(const nlohmann::json& experts, DissectedPacket& packet) {
    // Several expert infos under one item come as an array of objects.
    if (experts.is_array()) {
        for (const auto& expert : experts)
            CollectExperts(expert, packet);
        return;
    }
    for (const auto& [key, value] : experts.items()) {
        if (StartsWithKorva(key))
            packet.experts.insert(key);
    }
}

void Collect(const nlohmann::json& tree, DissectedPacket& packet) {
    for (const auto& [key, value] : tree.items()) {
        if (key == "_ws.expert") {
            CollectExperts(value, packet);
        } else if (key == "_ws.malformed") {
            packet.malformed = true;
        } else if (StartsWithKorva(key)) {
            const auto values = value.is_array() ? value : nlohmann::json::array({value});
            for (const auto& one : values) {
                // A subtree's own item carries no value; its children follow.
                packet.fields[key].push_back(one.is_string() ? one.get<std::string>() : "");
                if (one.is_object())
                    Collect(one, packet);
            }
        } else if (value.is_object()) {
            Collect(value, packet);
        }
    }
}

void Put(DissectedPacket& packet, const std::string& field, const std::string& value) {
    packet.fields["korva." + field].push_back(value);
}

// Wireshark strings end at a NUL byte, so the dissector shows NUL as U+2400.
std::string Shown(const std::string& text) {
    std::string shown;
    for (char c : text)
        shown += c == '\0' ? std::string("\xE2\x90\x80") : std::string(1, c);
    return shown;
}

void PutJson(DissectedPacket& packet, const std::string& field, const nlohmann::json& value) {
    if (value.is_null())
        return;  // a reading the reply does not carry
    if (value.is_boolean())
        Put(packet, field, value.get<bool>() ? "1" : "0");
    else if (value.is_number_integer())
        Put(packet, field, std::to_string(value.get<std::int64_t>()));
    else
        Put(packet, field, Shown(value.get<std::string>()));
}

std::string FormName(const std::string& plain, int version) {
    if (version >= 130)
        return "new";
    if (version >= 101)
        return "old";
    return plain.rfind("0100", 0) == 0 ? "plain" : "unknown";
}

int FieldCount(std::string_view line) {
    const Fields fields(line);
    int count = 0;
    while (!fields[count + 1].empty())
        ++count;
    return count;
}

// The last field the reading of each kind looks at, counted from the keyword's header.
// The last field a reply of the kind must hold: the trailing changed flags may be left off, as the
// README's decode example leaves off the status reply's.
int LastFieldNeeded(const std::string& keyword, int version) {
    if (keyword == "SND")
        return version < 150 ? 10 : 12;
    if (keyword == "RPR")
        return 23;
    if (keyword == "RST")
        return 4;
    return 2;
}

}  // namespace

std::vector<DissectedPacket> ReadTsharkJson(std::string_view json) {
    std::vector<DissectedPacket> packets;
    for (const auto& packet : nlohmann::json::parse(json)) {
        const auto& layers = packet["_source"]["layers"];
        DissectedPacket dissected;
        dissected.dissected = layers.contains("korva");
        Collect(layers, dissected);
        packets.push_back(std::move(dissected));
    }
    return packets;
}

DissectedPacket ExpectedForReply(const nlohmann::json& decoded, std::string_view datagram) {
    DissectedPacket expected;
    if (datagram.size() > kConsoleDatagramLimit)
        expected.experts.insert("korva.oversized");
    // Wireshark hands no empty payload to a dissector: there is nothing to show, as for the console.
    expected.dissected = !datagram.empty();
    if (datagram.empty())
        return expected;
    if (TrimView(datagram).empty()) {
        expected.experts.insert("korva.blank");
        return expected;
    }

    const auto plain = decoded["plain"].get<std::string>();
    const int version = decoded["version"].get<int>();
    const int offset = decoded["offset"].get<int>();
    const auto keyword = decoded["keyword"].get<std::string>();
    Put(expected, "form", FormName(plain, version));
    for (const char* field : {"version", "offset", "plain", "keyword", "changed_flag"})
        PutJson(expected, field, decoded[field]);

    bool changed = decoded["changed_flag"].get<bool>();
    for (const char* reading : {"status", "parameters"}) {
        if (!decoded.contains(reading))
            continue;
        Put(expected, reading, "");
        for (const auto& [field, value] : decoded[reading].items())
            PutJson(expected, field, value);
        changed = changed || decoded[reading]["changed"].get<bool>();
    }
    if (decoded.contains("reset_ack"))
        PutJson(expected, "reset_ack", decoded["reset_ack"]);

    const bool known = keyword == "SND" || keyword == "RPR" || keyword == "RST" || keyword == "WPR";
    if (!known)
        expected.experts.insert("korva.unknown_keyword");
    else if (FieldCount(Utf8ToCp1252(plain)) - offset < LastFieldNeeded(keyword, version))
        expected.experts.insert("korva.too_few_fields");
    if (changed)
        expected.experts.insert("korva.restart_pending");
    // A reply with too few fields is a malformed one, and Wireshark says so.
    expected.malformed = expected.experts.count("korva.too_few_fields") > 0;
    return expected;
}

DissectedPacket ExpectedForRequest(const RequestMeaning& request) {
    DissectedPacket expected;
    expected.dissected = true;
    Put(expected, "request", request.kind);
    if (request.echo)
        Put(expected, "echo", std::to_string(*request.echo));
    if (request.newAddress)
        Put(expected, "new_address", *request.newAddress);
    if (request.newMask)
        Put(expected, "new_mask", *request.newMask);
    if (request.newGateway)
        Put(expected, "new_gateway", *request.newGateway);
    return expected;
}

std::string Describe(const DissectedPacket& packet) {
    std::ostringstream text;
    text << (packet.dissected ? "dissected" : "not dissected") << (packet.malformed ? ", malformed" : "") << "\n";
    for (const auto& [field, values] : packet.fields) {
        text << "  " << field << " =";
        for (const auto& value : values)
            text << " [" << value << "]";
        text << "\n";
    }
    for (const auto& expert : packet.experts)
        text << "  expert " << expert << "\n";
    return text.str();
}

}  // namespace korva::wireshark_testing
