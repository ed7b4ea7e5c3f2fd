#include "tools/sim/sim_options.h"

#include <gtest/gtest.h>

namespace korva::sim {
namespace {

ParsedOptions Parse(std::initializer_list<const char*> arguments) {
    return ParseSimOptions(std::vector<std::string>(arguments.begin(), arguments.end()));
}

TEST(SimOptions, DefaultsAnswerOnLoopbackInTheNewForm) {
    const ParsedOptions parsed = Parse({});
    ASSERT_TRUE(parsed.options.has_value()) << parsed.error;
    EXPECT_EQ(parsed.options->addresses.first, 0x7F000001u);
    EXPECT_EQ(parsed.options->addresses.count, 1u);
    EXPECT_FALSE(parsed.options->devices.has_value());
    EXPECT_EQ(parsed.options->faults.resetAcknowledgedOn, 1);
    EXPECT_EQ(parsed.options->port, 5010);
    EXPECT_EQ(parsed.options->form.version, 150);
    EXPECT_EQ(parsed.options->form.key, 0x3F);
    EXPECT_EQ(parsed.options->form.n, 0x14);
}

TEST(SimOptions, ValuesAreReadAndCheckedAsDocumented) {
    const auto options = Parse({"--address",
                                "127.0.0.23",
                                "--port",
                                "5011",
                                "--form",
                                "130",
                                "--key",
                                "0xFFFFFFD8",
                                "--n",
                                "1e",
                                "--drop-percent",
                                "25",
                                "--delay-ms",
                                "300",
                                "--wrong-keyword-percent",
                                "5",
                                "--truncate-percent",
                                "6",
                                "--extra-empty-fields-percent",
                                "7",
                                "--seed",
                                "99",
                                "--verbose"})
                             .options;
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->addresses.first, 0x7F000017u);
    EXPECT_EQ(options->addresses.count, 1u);
    EXPECT_EQ(options->port, 5011);
    EXPECT_EQ(options->form.version, 130);
    EXPECT_EQ(options->form.key, -40);
    EXPECT_EQ(options->form.n, 30);
    EXPECT_EQ(options->faults.dropPercent, 25);
    EXPECT_EQ(options->faults.delayMs, 300);
    EXPECT_EQ(options->faults.wrongKeywordPercent, 5);
    EXPECT_EQ(options->faults.truncatePercent, 6);
    EXPECT_EQ(options->faults.extraEmptyFieldsPercent, 7);
    EXPECT_EQ(options->seed, 99u);
    EXPECT_TRUE(options->verbose);
    EXPECT_EQ(Parse({"--form", "plain"}).options->form.version, 0);
}

TEST(SimOptions, ManyDevicesOnARangeWithSomeAddressesFree) {
    const auto options = Parse({"--address", "127.0.10.0/24", "--devices", "40", "--reset-ack-on", "5"}).options;
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->addresses.first, 0x7F000A00u);
    EXPECT_EQ(options->addresses.count, 256u);
    EXPECT_EQ(options->devices, std::optional<std::uint64_t>(40));
    EXPECT_EQ(options->faults.resetAcknowledgedOn, 5);
    const auto range = Parse({"--address", "127.0.10.250-127.0.11.9"}).options;
    ASSERT_TRUE(range.has_value());
    EXPECT_EQ(range->addresses.count, 16u);
}

TEST(SimOptions, RefusesWhatItCannotDo) {
    const std::initializer_list<const char*> refused[] = {
        {"--address", "192.168.0.250"},  // not loopback
        {"--address", "10.0.0.1"},
        {"--address", "127.0.0"},
        {"--address", "127.0.0.256"},
        {"--address"},
        {"--address", "127.255.255.0-128.0.0.3"},  // leaves loopback at the end
        {"--address", "126.255.255.252/30"},
        {"--address", "127.0.10.0/24", "--devices", "257"},
        {"--devices", "2"},  // one address by default
        {"--reset-ack-on", "0"},
        {"--port", "0"},
        {"--port", "65536"},
        {"--port", "50x"},
        {"--form", "100"},
        {"--form", "1000"},
        {"--form", "old"},
        {"--n", "9"},  // the header's comma would fall after n
        {"--key", "123456789"},
        {"--drop-percent", "101"},
        {"--delay-ms", "-1"},
        {"--frobnicate"},
    };
    for (const auto& arguments : refused) {
        const ParsedOptions parsed = Parse(arguments);
        EXPECT_FALSE(parsed.options.has_value()) << *arguments.begin();
        EXPECT_FALSE(parsed.error.empty());
    }
}

TEST(SimOptions, AnyAddressOnlyWhenAskedFor) {
    const ParsedOptions parsed = Parse({"--address", "192.168.0.250", "--allow-any-address"});
    ASSERT_TRUE(parsed.options.has_value()) << parsed.error;
    EXPECT_EQ(parsed.options->addresses.first, 0xC0A800FAu);
}

}  // namespace
}  // namespace korva::sim
