// korvactl exporter under bursts of probes: descriptors and memory do not grow with the probes under
// way. A device on host 1 of the suite's addresses, the exporters on 250-251, and from the second block
// on silent targets: nothing listens there.
#include "tests/support/http_burst.h"
#include "tests/support/process_memory.h"
#include "tests/support/suite_addresses.h"
#include "tests/tools/korvactl/programs.h"

#include <gtest/gtest.h>

#include <thread>

namespace korva::ctl::testing {
namespace {

const korva::testing::SuiteAddresses addresses{"exporter_scale"};

using korva::testing::GetAll;

// Probes of count silent addresses from the suite's second block on.
std::vector<std::string> SilentProbes(unsigned count) {
    std::vector<std::string> paths;
    for (unsigned i = 0; i < count; ++i)
        paths.push_back("/probe?target=" + addresses[256 + i]);
    return paths;
}

// The value of korva_up in a probe's answer, or "" when it has none.
std::string Up(const std::string& body) {
    const std::size_t at = body.find("\nkorva_up{");
    if (at == std::string::npos)
        return {};
    const std::size_t value = body.find("} ", at);
    return body.substr(value + 2, 1);
}

TEST(ExporterAtScale, ElevenHundredSilentProbesUnderTheDefaultDescriptorLimitAllAnswerAndALiveDeviceIsUp) {
    const std::string device = addresses[1];
    const std::string http = addresses[250];
    Simulator live(device, {"--form", "150"});
    ASSERT_TRUE(live.Ready());
    // The soft and hard limits systemd gives a unit that sets none: once 4 descriptors a probe.
    ExporterProcess exporter(http + ':' + std::to_string(addresses.Port()), {"--timeout", "300ms"},
                             {"/usr/bin/prlimit", "--nofile=1024"});
    ASSERT_TRUE(exporter.Ready()) << exporter.Process().Err();

    std::vector<std::string> paths = SilentProbes(1100);
    const std::size_t liveAt = paths.size() / 2;
    paths.insert(paths.begin() + static_cast<std::ptrdiff_t>(liveAt), "/probe?target=" + device);
    // More connections than the descriptors: those beyond wait in the listen queue for their turn.
    const auto answers = GetAll(http, addresses.Port(), paths, std::chrono::seconds(60));

    std::map<int, int> statuses;
    for (std::size_t i = 0; i < answers.size(); ++i) {
        ++statuses[answers[i].status];
        if (i != liveAt && answers[i].status == 200) {
            EXPECT_EQ(Up(answers[i].body), "0") << paths[i];
        }
    }
    EXPECT_EQ(statuses, (std::map<int, int>{{200, 1101}})) << exporter.Process().Err();
    EXPECT_EQ(Up(answers[liveAt].body), "1") << answers[liveAt].body;
}

TEST(ExporterAtScale, ABurstOfThreeThousandProbesLeavesTheMemoryWhereItWas) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // The exporter is built with the same sanitizer, whose allocator holds freed memory back (in a
    // quarantine, or as shadow memory): its resident set says nothing of the exporter's own.
    GTEST_SKIP() << "a sanitizer's allocator keeps what the exporter frees";
#endif
    const std::string http = addresses[251];
    ExporterProcess exporter(http + ':' + std::to_string(addresses.Port()), {"--timeout", "300ms"});
    ASSERT_TRUE(exporter.Ready()) << exporter.Process().Err();
    // One small round first, so that what every process pays once (the first connection, the first
    // probe, the resolver's libraries) is in the measure before.
    GetAll(http, addresses.Port(), SilentProbes(10), std::chrono::seconds(10));
    const long before = korva::testing::ResidentKilobytes(exporter.Process().Pid());

    const auto answers = GetAll(http, addresses.Port(), SilentProbes(3000), std::chrono::seconds(60));
    int answered = 0;
    for (const auto& answer : answers)
        answered += answer.status == 200 && Up(answer.body) == "0";
    EXPECT_EQ(answered, 3000);
    const long after = korva::testing::ResidentKilobytes(exporter.Process().Pid());
    EXPECT_LE(after - before, 10 * 1024) << "RSS " << before << " kB before the burst, " << after << " kB after";
}

}  // namespace
}  // namespace korva::ctl::testing
