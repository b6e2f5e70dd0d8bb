// Asset lookups stay logarithmic in the number of entries, and parsing a pack costs one
// pass over its index. Run by hand: bin/core_bench.

#include "AssetPack.hpp"
#include "PakWriter.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string assetName(std::int64_t i) {
    return "icons/set-" + std::to_string(i % 97) + "/asset-" + std::to_string(i) + ".svg";
}

std::vector<std::uint8_t> packOf(std::int64_t count) {
    std::vector<pak::Item> items;
    for (std::int64_t i = 0; i < count; ++i) {
        items.push_back(pak::Item{assetName(i), std::vector<std::uint8_t>(16, static_cast<std::uint8_t>(i))});
    }
    return pak::encodePack(std::move(items));
}

void findEntry(benchmark::State& state) {
    AssetPack pack;
    pack.parse(packOf(state.range(0)));
    std::vector<std::string> names;
    for (std::int64_t i = 0; i < 1024; ++i) {
        names.push_back(assetName((i * 7919) % state.range(0)));
    }
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pack.find(names[next]));
        next = (next + 1) % names.size();
    }
}
BENCHMARK(findEntry)->RangeMultiplier(10)->Range(10, 100000);

void parsePack(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = packOf(state.range(0));
    for (auto _ : state) {
        AssetPack pack;
        pack.parse(bytes);
        benchmark::DoNotOptimize(pack.entries().data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(parsePack)->RangeMultiplier(10)->Range(10, 100000);

} // namespace

BENCHMARK_MAIN();
