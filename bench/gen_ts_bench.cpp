// Plain client generation for large schemas, and how it grows with size.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>

#include "gen_ts/generator.hpp"
#include "synthetic_schema.hpp"

namespace {

const tolv::schema::ApiGraph& graph_of(std::size_t size) {
    static std::map<std::size_t, tolv::schema::ApiGraph> graphs;
    auto [it, inserted] = graphs.try_emplace(size);
    if (inserted) it->second = tolv::bench::make_synthetic_graph(size, size);
    return it->second;
}

void generate(benchmark::State& state, const tolv::schema::ApiGraph& graph) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto result = tolv::gen_ts::generate(graph);
        bytes = result->files.front().content.size();
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["api_MB"] = static_cast<double>(bytes) / 1e6;
}

// 10,000 models (all on the synthetic graph's reference cycles) and 10,000
// endpoints of every kind.
void BM_GenerateTs10k(benchmark::State& state) { generate(state, graph_of(10000)); }
BENCHMARK(BM_GenerateTs10k)->Unit(benchmark::kMillisecond);

// Size sweep: models and endpoints both equal to the argument.
void BM_GenerateTsSweep(benchmark::State& state) {
    generate(state, graph_of(static_cast<std::size_t>(state.range(0))));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_GenerateTsSweep)
    ->RangeMultiplier(2)
    ->Range(1250, 40000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
