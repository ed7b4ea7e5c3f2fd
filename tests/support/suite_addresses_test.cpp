#include "tests/support/suite_addresses.h"

#include "tests/support/suite_blocks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace korva::testing {
namespace {

TEST(SuiteAddresses, NoTwoSuitesShareABlockAndEveryBlockFitsTheThirdOctet) {
    std::vector<const SuiteBlock*> byFirst;
    for (const SuiteBlock& entry : kSuiteBlocks) {
        EXPECT_GE(entry.first, 1) << entry.suite;
        EXPECT_GE(entry.count, 1) << entry.suite;
        EXPECT_LE(entry.first + entry.count, 256) << entry.suite;
        byFirst.push_back(&entry);
    }
    std::ranges::sort(byFirst, {}, &SuiteBlock::first);
    for (std::size_t i = 1; i < byFirst.size(); ++i)
        EXPECT_LE(byFirst[i - 1]->first + byFirst[i - 1]->count, byFirst[i]->first)
            << byFirst[i - 1]->suite << " runs into " << byFirst[i]->suite;
    std::ranges::sort(byFirst, {}, &SuiteBlock::suite);
    EXPECT_EQ(std::ranges::adjacent_find(byFirst, {}, &SuiteBlock::suite), byFirst.end());
}

TEST(SuiteAddresses, CMakeReadsEveryEntryOfTheTableAndCountsAsTheTestsDo) {
    EXPECT_EQ(KORVA_SUITE_BLOCKS_CMAKE_READ, std::size(kSuiteBlocks));
    EXPECT_EQ(SuiteAddresses("fleet")[300], KORVA_FLEET_HOST_300_BY_CMAKE);
}

TEST(SuiteAddresses, HostsCountAcrossTheSuitesBlocksAndStopAtTheirEnd) {
    const SuiteAddresses fleet{"fleet"};  // five blocks from 66
    const std::string network = "127." + std::to_string(TestNetwork()) + '.';
    EXPECT_EQ(fleet[0], network + "66.0");
    EXPECT_EQ(fleet[257], network + "67.1");
    EXPECT_EQ(fleet.Range(2, 3), network + "66.2-" + network + "66.3");
    EXPECT_EQ(fleet.Block(4), network + "70.0/24");
    EXPECT_EQ(fleet.Number(1), fleet.Number(0) + 1);
    EXPECT_THROW(fleet[5 * 256], std::out_of_range);
    EXPECT_THROW(SuiteAddresses{"no such suite"}, std::out_of_range);
    EXPECT_NE(fleet.Port(0), SuiteAddresses{"scan_command"}.Port(15));
    EXPECT_THROW(fleet.Port(16), std::out_of_range);
}

}  // namespace
}  // namespace korva::testing
