// korvactl's reading of a long device list: each name resolved and checked against the names before
// it, so that two names of one device are asked once. All distinct loopback addresses, the worst case.
#include "tools/korvactl/inputs/device_target.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> LoopbackAddresses(int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i)
        names.push_back("127." + std::to_string((i >> 16) & 0xFF) + "." + std::to_string((i >> 8) & 0xFF) + "." +
                        std::to_string(i & 0xFF));
    return names;
}

void BM_ResolveTargets(benchmark::State& state) {
    const std::vector<std::string> names = LoopbackAddresses(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<std::string> warnings;
        benchmark::DoNotOptimize(korva::ctl::ResolveTargets(names, korva::language::English(), warnings));
    }
}
BENCHMARK(BM_ResolveTargets)->Arg(20'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
