// The exporter's scrapes against scripted devices on a simulated clock: what each metric reads, what a
// silent device shows, how long a scrape may wait, what /metrics adds, and how names are resolved.
#include "tools/korvactl/exporter/exporter_scrapes.h"
#include "tools/korvactl/exporter/probe_failure_log.h"
#include "tools/korvactl/exporter/probe_target.h"
#include "protocol/address_text.h"
#include "tests/tools/korvactl/command_runner.h"

#include "tests/support/suite_addresses.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace korva::ctl::testing {
namespace {

using namespace std::chrono_literals;

const korva::testing::SuiteAddresses addresses{"exporter_scrapes"};

// Series of an exposition, "name{labels}" → value; comment lines left out.
std::map<std::string, std::string> Series(const std::string& exposition) {
    std::map<std::string, std::string> series;
    std::istringstream lines(exposition);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t blank = line.rfind(' ');
        EXPECT_NE(blank, std::string::npos) << line;
        EXPECT_FALSE(series.contains(line.substr(0, blank))) << "twice: " << line;
        series[line.substr(0, blank)] = line.substr(blank + 1);
    }
    return series;
}

// Answers live data after statusDelay and parameters after parameterDelay; nullopt: never.
DeviceScript Device(const std::string& address, std::optional<milliseconds> statusDelay,
                    std::optional<milliseconds> parameterDelay) {
    return [=](const std::string& request) -> std::optional<Answer> {
        if (Is(request, "snd") && statusDelay)
            return Answer{StatusLine(7), *statusDelay};
        if (Is(request, "rPr") && parameterDelay)
            return Answer{ParameterLine(address), *parameterDelay};
        return std::nullopt;
    };
}

// Names as a test's table has them, answered at once; a name missing from it never resolves in time.
class TableResolver : public NameResolver {
public:
    std::map<std::string, NameAnswer> table;
    std::vector<std::string> asked;
    void Resolve(const std::string& name, SteadyTime, SteadyTime, std::function<void(NameAnswer)> done) override {
        asked.push_back(name);
        const auto found = table.find(name);
        done(found != table.end() ? found->second : NameAnswer{NameAnswer::Kind::kTooSlow, 0});
    }
};

// The exporter's scrapes and prober with scripted devices behind them, on a clock that moves only to
// the next thing due (a reply, or a deadline of the prober), so a scrape's waits are exact and free.
class Exporter {
public:
    explicit Exporter(std::vector<std::string> listed = {}, milliseconds timeout = 900ms)
        : prober_([this](std::uint32_t address, std::string_view request) { Sent(address, std::string(request)); }),
          scrapes_(Settings(std::move(listed), timeout), prober_, names, [this] { return Now(); }) {}

    ExporterSettings Settings(std::vector<std::string> listed, milliseconds timeout) {
        ExporterSettings settings;
        settings.timeout = timeout;
        settings.log = [this](const std::string& line) { log.push_back(line); };
        for (const std::string& name : listed)
            settings.devices.push_back(ResolveTarget(name));
        return settings;
    }

    void AddDevice(const std::string& address, DeviceScript script) { devices_[address] = std::move(script); }
    ScrapeResponse Probe(const std::optional<std::string>& target, std::optional<std::string_view> header = {}) {
        return Await([&](ExporterScrapes::Answer answer) { scrapes_.Probe(target, header, std::move(answer)); });
    }
    ScrapeResponse Metrics(std::optional<std::string_view> header = {}) {
        return Await([&](ExporterScrapes::Answer answer) { scrapes_.Metrics(header, std::move(answer)); });
    }
    ExporterScrapes& Scrapes() { return scrapes_; }
    Prober& ProberUnderTest() { return prober_; }

    std::vector<SentRequest> SentTo(const std::string& address) const {
        std::vector<SentRequest> to;
        for (const SentRequest& request : sent_) {
            if (request.address == address)
                to.push_back(request);
        }
        return to;
    }
    const std::vector<SentRequest>& Sent() const { return sent_; }
    milliseconds Elapsed() const { return elapsed_; }
    SteadyTime Now() const { return start_ + elapsed_; }
    TableResolver names;
    std::vector<std::string> log;

    // Moves the clock from thing to thing until the answer has come.
    ScrapeResponse Await(const std::function<void(ExporterScrapes::Answer)>& ask) {
        std::optional<ScrapeResponse> response;
        ask([&response](ScrapeResponse answer) { response = std::move(answer); });
        while (!response) {
            std::optional<milliseconds> next;
            if (const auto deadline = prober_.NextDeadline())
                next = std::chrono::ceil<milliseconds>(*deadline - start_);
            if (!inFlight_.empty())
                next = next ? std::min(*next, inFlight_.begin()->first) : inFlight_.begin()->first;
            if (!next)
                ADD_FAILURE() << "no answer and nothing left to wait for";
            if (!next)
                return {};
            elapsed_ = std::max(elapsed_, *next);
            while (!inFlight_.empty() && inFlight_.begin()->first <= elapsed_) {
                const auto [at, reply] = *inFlight_.begin();
                inFlight_.erase(inFlight_.begin());
                prober_.OnDatagram(*ParseIpv4(reply.first), reply.second, WallTime(at), start_ + elapsed_);
            }
            prober_.OnTime(start_ + elapsed_);
        }
        return *response;
    }

private:
    void Sent(std::uint32_t address, const std::string& request) {
        const std::string to = Ipv4Text(address);
        sent_.push_back({elapsed_, to, request});
        if (const auto device = devices_.find(to); device != devices_.end()) {
            if (const auto answer = device->second(request))
                inFlight_.insert({elapsed_ + answer->delay, {to, answer->line}});
        }
    }

    const SteadyTime start_{};
    milliseconds elapsed_{0};
    std::map<std::string, DeviceScript> devices_;
    std::multimap<milliseconds, std::pair<std::string, std::string>> inFlight_;  // at → (from, reply)
    std::vector<SentRequest> sent_;
    Prober prober_;
    ExporterScrapes scrapes_;
};

TEST(ExporterProbe, ReadsEveryMetricOfAnAnsweringDevice) {
    const std::string address = addresses[10];
    Exporter exporter;
    exporter.AddDevice(address, Device(address, 4ms, 6ms));

    const ScrapeResponse response = exporter.Probe(address, std::nullopt);

    ASSERT_EQ(response.status, 200) << response.body;
    EXPECT_EQ(response.contentType, "text/plain; version=0.0.4; charset=utf-8");
    const auto series = Series(response.body);
    const std::string device = "{device=\"" + address + "\"}";
    // The plain status line reads 25 °C, 60 %, 244 tenths of a volt, presence "1", reset field "0", link 1 "1".
    const std::map<std::string, std::string> expected = {
        {"korva_up" + device, "1"},
        {"korva_temperature_celsius" + device, "25"},
        {"korva_humidity_percent" + device, "60"},
        {"korva_battery_volts" + device, "24.4"},
        {"korva_presence" + device, "1"},
        {"korva_reset_state" + device, "1"},
        {"korva_link_up{device=\"" + address + "\",link=\"1\"}", "1"},
        {"korva_restart_pending" + device, "0"},
        {"korva_device_info{device=\"" + address +
             "\",firmware=\"1.52 07/03/16 14:05\",gateway=\"10.0.0.1\","
             "mac=\"00-1A-AB-01-02-FF\",mask=\"255.255.255.0\"}",
         "1"},
        {"korva_last_reply_timestamp_seconds" + device, "0.006"},  // the later of the two replies
        {"korva_reply_incomplete" + device, "0"},
        {"korva_exporter_scrape_duration_seconds", series.at("korva_exporter_scrape_duration_seconds")},
    };
    EXPECT_EQ(series, expected);  // links 2 and 3 are absent from this reply form, so are their series
    EXPECT_EQ(exporter.SentTo(address).size(), 2u);
}

TEST(ExporterProbe, ASilentDeviceIsDownWithoutReadingsAfterThreeTriesWithinTheBudget) {
    const std::string address = addresses[11];
    Exporter exporter({}, 900ms);
    exporter.AddDevice(address, Device(address, std::nullopt, std::nullopt));

    const ScrapeResponse response = exporter.Probe(address, std::nullopt);

    ASSERT_EQ(response.status, 200);
    const auto series = Series(response.body);
    EXPECT_EQ(series.at("korva_up{device=\"" + address + "\"}"), "0");
    EXPECT_EQ(series.size(), 2u) << response.body;  // korva_up and the scrape's duration
    const auto sent = exporter.SentTo(address);
    ASSERT_EQ(sent.size(), 6u);  // live data and parameters, three times each
    EXPECT_EQ(sent[4].at, 600ms);
    EXPECT_EQ(exporter.Elapsed(), 900ms);
    EXPECT_EQ(exporter.log, (std::vector<std::string>{"probe of " + address + " failed: no reply"}));
}

TEST(ExporterProbe, PrometheusScrapeTimeOutShortensTheWait) {
    Exporter exporter({}, 5s);
    exporter.Probe(addresses[12], "0.5");
    EXPECT_EQ(exporter.Elapsed(), 450ms);  // nine tenths of Prometheus's half second, not the 5 s time-out
}

TEST(ExporterProbe, ADeviceThatAnswersOnlyItsParametersIsUpWithItsInfoAndNoReadings) {
    const std::string address = addresses[13];
    Exporter exporter;
    exporter.AddDevice(address, Device(address, std::nullopt, 3ms));

    const auto series = Series(exporter.Probe(address, std::nullopt).body);

    EXPECT_EQ(series.at("korva_up{device=\"" + address + "\"}"), "1");
    EXPECT_EQ(series.count("korva_temperature_celsius{device=\"" + address + "\"}"), 0u);
    EXPECT_EQ(series.at("korva_restart_pending{device=\"" + address + "\"}"), "0");
    bool info = false;
    for (const auto& [name, value] : series)
        info = info || name.starts_with("korva_device_info{device=\"" + address + "\"");
    EXPECT_TRUE(info) << "no info series";
}

TEST(ExporterProbe, ADeviceGoneSilentStillShowsWhenItLastAnswered) {
    const std::string address = addresses[14];
    const std::string silentSinceStart = addresses[15];
    Exporter exporter;
    bool silent = false;
    exporter.AddDevice(address, [&silent](const std::string& request) -> std::optional<Answer> {
        if (silent || !Is(request, "snd"))
            return std::nullopt;
        return Answer{StatusLine(1), 250ms};
    });

    EXPECT_EQ(Series(exporter.Probe(address, std::nullopt).body)
                  .at("korva_last_reply_timestamp_seconds{device=\"" + address + "\"}"),
              "0.25");
    silent = true;
    const auto later = Series(exporter.Probe(address, std::nullopt).body);
    EXPECT_EQ(later.at("korva_up{device=\"" + address + "\"}"), "0");
    EXPECT_EQ(later.at("korva_last_reply_timestamp_seconds{device=\"" + address + "\"}"), "0.25");
    // Nothing is remembered for a device that never answered.
    EXPECT_EQ(Series(exporter.Probe(silentSinceStart, std::nullopt).body)
                  .count("korva_last_reply_timestamp_seconds{device=\"" + silentSinceStart + "\"}"),
              0u);
}

TEST(ExporterProbe, RefusesATargetThatNamesNoDeviceWithTheReasonAndAsksNobody) {
    const std::string address = addresses[2];
    // Zeros before the address, to the longest text a host name may have (253), and one more.
    const std::string longest = std::string(253 - address.size(), '0') + address;
    Exporter exporter;
    exporter.names.table["no such host"] = {NameAnswer::Kind::kNotFound, 0};
    struct Case {
        std::optional<std::string> target;
        std::string reason;
    };
    const Case cases[] = {
        {std::nullopt, "name the device: /probe?target=ADDRESS"},
        {"", "name the device: /probe?target=ADDRESS"},
        {address + ":5010", "the target '" + address + ":5010' has a colon"},
        {"::1", "the target '::1' has a colon"},
        {"0.0.0.0", "the target '0.0.0.0' is 0.0.0.0, an address of 0.0.0.0/8, which means this network"},
        {"0", "the target '0' is 0.0.0.0, an address of 0.0.0.0/8"},
        {"255.255.255.255", "the target '255.255.255.255' is 255.255.255.255, the broadcast address: no device"},
        {"224.0.0.1", "is 224.0.0.1, a multicast address"},
        {"239.255.255.250", "is 239.255.255.250, a multicast address"},
        {"240.0.0.1", "is 240.0.0.1, a reserved address (240.0.0.0/4)"},
        // A blank inside the name: the resolver refuses it without asking any name server.
        {"no such host", "cannot resolve the target 'no such host': the name has no IPv4 address"},
        {"\xFF\xFE", "the target '\\xFF\\xFE' is not an IPv4 address or host name"},
        {address + '\0', "the target '" + address + "\\x00' is not an IPv4 address or host name"},
        {address + '\n', "the target '" + address + "\\x0A' is not"},
        {'0' + longest, "is longer than a host name may be (253 characters)"},
    };
    for (const Case& c : cases) {
        const ScrapeResponse response = exporter.Probe(c.target, std::nullopt);
        EXPECT_EQ(response.status, 400) << c.reason;
        EXPECT_EQ(response.contentType, "text/plain; charset=utf-8");
        EXPECT_NE(response.body.find(c.reason), std::string::npos) << response.body;
    }
    EXPECT_TRUE(exporter.Sent().empty());
    // The longest host name is still a target.
    EXPECT_EQ(exporter.Probe(longest, std::nullopt).status, 200);
}

TEST(ExporterProbe, EverySpellingOfAnAddressSharesOneRecord) {
    const std::string address = addresses[3];
    const std::uint32_t number = addresses.Number(3);
    // a.b.c, whose last part fills the last two bytes
    const std::string threeParts = "127." + std::to_string(number >> 16 & 0xff) + "." + std::to_string(number & 0xffff);
    const std::string zeroInSecond = "127.0" + address.substr(4);
    Exporter exporter;
    bool silent = false;
    exporter.AddDevice(address, [&silent](const std::string& request) -> std::optional<Answer> {
        if (silent || !Is(request, "snd"))
            return std::nullopt;
        return Answer{StatusLine(1), 250ms};
    });
    for (const std::string& spelling : {address, "0" + ThreeDigitOctets(address), threeParts, "0000000" + address}) {
        const ScrapeResponse response = exporter.Probe(spelling, std::nullopt);
        ASSERT_EQ(response.status, 200) << spelling;
        EXPECT_EQ(Series(response.body).at("korva_up{device=\"" + spelling + "\"}"), "1");
    }
    EXPECT_EQ(exporter.Scrapes().Remembered(), 1u);
    silent = true;
    const auto later = Series(exporter.Probe(zeroInSecond, std::nullopt).body);
    EXPECT_EQ(later.at("korva_up{device=\"" + zeroInSecond + "\"}"), "0");
    // The fourth spelling's reply: each probe waits out its 900 ms for the parameters, answered 250 ms in.
    EXPECT_EQ(later.at("korva_last_reply_timestamp_seconds{device=\"" + zeroInSecond + "\"}"), "2.95");
    EXPECT_EQ(exporter.Scrapes().Remembered(), 1u);
}

TEST(ExporterProbe, AReplyCutShortShowsTheFieldsItGaveAndSaysItIsIncomplete) {
    const std::string address = addresses[19];
    Exporter exporter;
    exporter.AddDevice(address, [address](const std::string& request) -> std::optional<Answer> {
        if (Is(request, "snd"))
            return Answer{"0100,SND,0,25,60", 2ms};  // temperature and humidity, then nothing
        return Answer{ParameterLine(address), 3ms};
    });
    const auto series = Series(exporter.Probe(address).body);
    const std::string device = "{device=\"" + address + "\"}";
    EXPECT_EQ(series.at("korva_up" + device), "1");
    EXPECT_EQ(series.at("korva_reply_incomplete" + device), "1");
    EXPECT_EQ(series.at("korva_temperature_celsius" + device), "25");
    EXPECT_EQ(series.at("korva_humidity_percent" + device), "60");
    for (const char* missing : {"korva_battery_volts", "korva_presence", "korva_reset_state"})
        EXPECT_FALSE(series.contains(missing + device)) << missing << " read as a zero the device never sent";
    EXPECT_FALSE(series.contains("korva_link_up{device=\"" + address + "\",link=\"1\"}"));
}

TEST(ExporterProbe, ProbesOfOneDeviceAtOnceShareItsReplies) {
    const std::string address = addresses[20];
    Exporter exporter;
    exporter.AddDevice(address, Device(address, 100ms, 100ms));
    std::vector<ScrapeResponse> answers;
    // The first probe is under way when the second asks; the replies to the first answer both.
    exporter.Scrapes().Probe(address, std::nullopt, [&](ScrapeResponse r) { answers.push_back(r); });
    const ScrapeResponse second = exporter.Probe(address);
    EXPECT_EQ(Series(second.body).at("korva_up{device=\"" + address + "\"}"), "1");
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(Series(answers.front().body).at("korva_up{device=\"" + address + "\"}"), "1");
    EXPECT_EQ(exporter.Elapsed(), 100ms);
}

TEST(ExporterProbe, HostNamesGoThroughTheResolverOrAreRefusedUnderNoNames) {
    const std::string address = addresses[21];
    struct Case {
        std::string target;
        bool resolveNames;
        int status;
        const char* up;      // korva_up, for a 200
        const char* reason;  // the body or the log line
    };
    const Case cases[] = {
        {"device-7.site", true, 200, "1", ""},
        {"LocalHost", true, 200, "0", "probe of LocalHost failed: no reply"},  // 127.0.0.1, no resolver
        {"slow.site", true, 200, "0", "probe of slow.site failed: the name was not resolved within the scrape's time"},
        {"gone.site", true, 400, "", "cannot resolve the target 'gone.site': the name has no IPv4 address"},
        {"device-7.site", false, 400, "",
         "the target 'device-7.site' is a host name, and this exporter resolves none (--no-names)"},
        {address, false, 200, "1", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        Exporter exporter;
        exporter.names.table["device-7.site"] = {NameAnswer::Kind::kAddress, *ParseIpv4(address)};
        exporter.names.table["gone.site"] = {NameAnswer::Kind::kNotFound, 0};
        exporter.AddDevice(address, Device(address, 1ms, 1ms));
        ExporterSettings settings = exporter.Settings({}, 900ms);
        settings.resolveNames = c.resolveNames;
        ExporterScrapes scrapes(settings, exporter.ProberUnderTest(), exporter.names,
                                [&exporter] { return exporter.Now(); });
        const ScrapeResponse response = exporter.Await(
            [&](ExporterScrapes::Answer answer) { scrapes.Probe(c.target, std::nullopt, std::move(answer)); });
        EXPECT_EQ(response.status, c.status) << response.body;
        if (c.status == 200) {
            EXPECT_EQ(Series(response.body).at("korva_up{device=\"" + c.target + "\"}"), c.up);
            EXPECT_EQ(exporter.log, *c.reason ? std::vector<std::string>{c.reason} : std::vector<std::string>{});
        } else {
            EXPECT_NE(response.body.find(c.reason), std::string::npos) << response.body;
        }
        EXPECT_EQ(exporter.names.asked.size(), c.resolveNames && c.target.find(".site") != std::string::npos ? 1u : 0u);
    }
}

TEST(ExporterProbe, AllowTargetsRefusesAnyOtherAddressWithoutSendingIt) {
    Exporter exporter;
    ExporterSettings settings = exporter.Settings({}, 900ms);
    settings.allowedTargets = {*ParseIpv4Range(addresses[32] + "/28"), *ParseIpv4Range(addresses[60])};
    ExporterScrapes scrapes(settings, exporter.ProberUnderTest(), exporter.names, [&exporter] { return exporter.Now(); });
    const auto status = [&](const std::string& target) {
        return exporter.Await([&](ExporterScrapes::Answer answer) { scrapes.Probe(target, std::nullopt, answer); });
    };
    for (const std::string& allowed : {addresses[32], addresses[47], addresses[60]})
        EXPECT_EQ(status(allowed).status, 200) << allowed;
    for (const std::string& refused : {addresses[31], addresses[48], addresses[61]}) {
        const ScrapeResponse response = status(refused);
        EXPECT_EQ(response.status, 403) << refused;
        EXPECT_NE(response.body.find("outside the addresses this exporter may probe (--allow-targets)"),
                  std::string::npos)
            << response.body;
        EXPECT_TRUE(exporter.SentTo(refused).empty()) << refused;
    }
}

TEST(LastReplyBook, KeepsAtMostItsCapacityForgettingTheDeviceSilentLongest) {
    LastReplyBook book(2);
    const auto at = [](int seconds) { return WallTime(std::chrono::seconds(seconds)); };
    const auto update = [&book](const std::string& address, std::optional<WallTime> reply) {
        std::vector<DeviceSample> samples(1);
        samples.front().lastReply = reply;
        book.Update({ParseIpv4(address)}, samples);
        return samples.front().lastReply;
    };
    const std::string first = addresses[4];
    const std::string second = addresses[5];
    const std::string third = addresses[6];
    update(first, at(3));
    update(second, at(1));
    update(first, at(4));
    update(third, at(2));  // the book is full: the second, last heard at 1 s, goes
    EXPECT_EQ(book.Size(), 2u);
    EXPECT_EQ(update(second, std::nullopt), std::nullopt);
    EXPECT_EQ(update(first, std::nullopt), at(4));
    EXPECT_EQ(update(third, std::nullopt), at(2));
}

TEST(ExporterMetrics, LabelValuesAreUtf8WithoutControlCharacters) {
    const std::string replacement = "\xEF\xBF\xBD";
    struct Case {
        std::string name;
        std::string label;
    };
    const Case cases[] = {
        {"\xFF\xFE", replacement + replacement},
        {std::string("a\0b", 3), "a" + replacement + "b"},
        {"tab\there\x7F", "tab" + replacement + "here" + replacement},
        {"caf\xC3\xA9 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xF0\x9F\x98\x80"},  // kept as they are
        {"\xC2\x85", replacement},                                             // a C1 control (NEL)
        {"\xC0\xAF", replacement + replacement},                               // an overlong '/'
        {"\xED\xA0\x80", replacement + replacement + replacement},            // a surrogate
        {"\xE2\x82", replacement + replacement},                               // cut short
        {"\xF4\x90\x80\x80", replacement + replacement + replacement + replacement},  // beyond U+10FFFF
    };
    for (const Case& c : cases) {
        ParameterReading parameters;
        parameters.firmware = c.name;  // device text: Windows-1252, whose 0x7F and below pass unchanged
        std::vector<DeviceSample> samples(1);
        samples.front().name = c.name;
        samples.front().parameters = parameters;
        samples.front().parameterReach = reply_field::kChangedFlag;
        samples.front().parametersComplete = true;
        std::map<std::string, std::string> labels;
        for (const prometheus::MetricFamily& family : DeviceMetricFamilies(samples)) {
            for (const prometheus::ClientMetric::Label& label : family.metric.at(0).label)
                labels[family.name + " " + label.name] = label.value;
        }
        EXPECT_EQ(labels.at("korva_up device"), c.label) << Quoted(c.name);
        if (c.name.find_first_of(std::string("\0\t\x7F", 3)) != std::string::npos) {
            EXPECT_EQ(labels.at("korva_device_info firmware"), c.label) << Quoted(c.name);
        }
    }
}

TEST(ExporterMetrics, CountsProbesAndAsksTheListedDevicesAllAtOnce) {
    const std::string first = addresses[16];
    const std::string second = addresses[17];
    const std::string silent = addresses[18];
    Exporter exporter({first, second, silent}, 900ms);
    exporter.AddDevice(first, Device(first, 300ms, 300ms));
    exporter.AddDevice(second, Device(second, 300ms, 300ms));
    exporter.Probe(first, std::nullopt);
    exporter.Probe(silent, std::nullopt);
    const milliseconds before = exporter.Elapsed();

    const ScrapeResponse response = exporter.Metrics(std::nullopt);

    ASSERT_EQ(response.status, 200);
    // Not one device after the other: the silent one's 900 ms bound the whole scrape.
    EXPECT_EQ(exporter.Elapsed() - before, 900ms);
    const auto series = Series(response.body);
    EXPECT_EQ(series.at("korva_exporter_probes_total{result=\"answered\"}"), "1");
    EXPECT_EQ(series.at("korva_exporter_probes_total{result=\"unanswered\"}"), "1");
    EXPECT_EQ(series.at("korva_exporter_probe_duration_seconds_count"), "2");
    EXPECT_EQ(series.at("korva_exporter_build_info{version=\"" KORVA_PROGRAM_VERSION "\"}"), "1");
    EXPECT_EQ(exporter.log, (std::vector<std::string>{"probe of " + silent + " failed: no reply"}))
        << "the answered probe and /metrics log nothing";
    EXPECT_EQ(series.at("korva_up{device=\"" + first + "\"}"), "1");
    EXPECT_EQ(series.at("korva_up{device=\"" + second + "\"}"), "1");
    EXPECT_EQ(series.at("korva_up{device=\"" + silent + "\"}"), "0");
    EXPECT_EQ(series.at("korva_temperature_celsius{device=\"" + second + "\"}"), "25");
    EXPECT_TRUE(series.contains("korva_exporter_scrape_duration_seconds"));
}

TEST(ExporterMetrics, WithoutListedDevicesCarriesOnlyTheExportersOwnMetrics) {
    Exporter exporter;
    const auto series = Series(exporter.Metrics(std::nullopt).body);
    for (const auto& [name, value] : series)
        EXPECT_TRUE(name.starts_with("korva_exporter_")) << name;
    EXPECT_TRUE(series.contains("korva_exporter_scrape_duration_seconds"));
    EXPECT_TRUE(exporter.Sent().empty());
}

TEST(ProbeFailureLog, TellsEachTargetAtMostOnceAMinuteWithTheFailuresInBetween) {
    std::vector<std::string> lines;
    ProbeFailureLog log([&](const std::string& line) { lines.push_back(line); }, 60s, 2);
    const ProbeFailureLog::Clock::time_point start{};
    const struct {
        const char* target;
        std::chrono::seconds at;
        const char* line;  // nullptr: nothing told
    } steps[] = {
        {"10.0.0.1", 0s, "probe of 10.0.0.1 failed: no reply"},
        {"10.0.0.1", 30s, nullptr},
        {"10.0.0.2", 31s, "probe of 10.0.0.2 failed: no reply"},
        {"10.0.0.1", 59s, nullptr},
        {"10.0.0.1", 60s, "probe of 10.0.0.1 failed: no reply (and 2 more times since the last line)"},
        // The book holds two targets, both told within the minute: a third is told every time.
        {"10.0.0.3", 61s, "probe of 10.0.0.3 failed: no reply"},
        {"10.0.0.3", 62s, "probe of 10.0.0.3 failed: no reply"},
        // Once 10.0.0.2 has been quiet a minute, it makes room.
        {"10.0.0.3", 91s, "probe of 10.0.0.3 failed: no reply"},
        {"10.0.0.3", 92s, nullptr},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::string(step.target) + " at " + std::to_string(step.at.count()) + " s");
        lines.clear();
        log.Failed(step.target, "no reply", start + step.at);
        EXPECT_EQ(lines, step.line ? std::vector<std::string>{step.line} : std::vector<std::string>{});
    }
}

TEST(ScrapeBudget, TheTimeOutOrNineTenthsOfPrometheusTimeOutWhicheverIsShorter) {
    struct Case {
        std::optional<std::string_view> header;
        milliseconds expected;
    };
    const Case cases[] = {
        {std::nullopt, 1000ms}, {"10", 1000ms},  {"1", 900ms},   {"0.5", 450ms}, {"1.111", 999ms},
        {"0.0001", 1ms},        {"0", 1000ms},   {"-2", 1000ms}, {"", 1000ms},   {"1s", 1000ms},
        {"nan", 1000ms},        {"inf", 1000ms}, {" 1", 1000ms},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScrapeBudget(1000ms, c.header), c.expected) << (c.header ? *c.header : "(none)");
}

}  // namespace
}  // namespace korva::ctl::testing
