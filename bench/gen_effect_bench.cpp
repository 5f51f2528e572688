// Effect client generation for large schemas, and how it grows with size.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>

#include "gen_effect/generator.hpp"
#include "gen_effect/model_order.hpp"
#include "synthetic_schema.hpp"

namespace {

using tolv::bench::make_synthetic_graph;
using tolv::gen_effect::EffectGenOptions;
using tolv::gen_effect::ReturnSurface;

const tolv::schema::ApiGraph& graph_of(std::size_t size) {
    static std::map<std::size_t, tolv::schema::ApiGraph> graphs;
    auto [it, inserted] = graphs.try_emplace(size);
    if (inserted) it->second = make_synthetic_graph(size, size);
    return it->second;
}

void generate(benchmark::State& state, const tolv::schema::ApiGraph& graph, const EffectGenOptions& options) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto result = tolv::gen_effect::generate_with_options(graph, options);
        bytes = result->files.front().content.size();
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["api_MB"] = static_cast<double>(bytes) / 1e6;
}

// 10,000 models (every one on the reference cycles of the synthetic graph)
// and 10,000 endpoints of every kind.
void BM_Generate10k(benchmark::State& state) {
    EffectGenOptions options;
    options.default_surface = state.range(0) == 0 ? ReturnSurface::Effect : ReturnSurface::Promise;
    generate(state, graph_of(10000), options);
}
BENCHMARK(BM_Generate10k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Size sweep: models and endpoints both equal to the argument.
void BM_GenerateSweep(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    generate(state, graph_of(size), {});
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_GenerateSweep)
    ->RangeMultiplier(2)
    ->Range(1250, 40000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);

// Ordering alone on an acyclic graph: node i depends on i-1 and i/2 under a
// scrambled numbering, so nodes keep becoming ready out of order.
void BM_SortModelsSweep(benchmark::State& state) {
    const auto size = static_cast<std::uint32_t>(state.range(0));
    const auto node = [size](std::uint32_t i) { return static_cast<std::uint32_t>((i * 7919ull) % size); };
    tolv::codegen::Edges deps(size);
    for (std::uint32_t i = 0; i < size; ++i) {
        if (i > 0) deps[node(i)].push_back(node(i - 1));
        if (i > 1) deps[node(i)].push_back(node(i / 2));
    }
    for (auto _ : state) {
        auto order = tolv::gen_effect::dependency_order(deps);
        benchmark::DoNotOptimize(order);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SortModelsSweep)
    ->RangeMultiplier(4)
    ->Range(1024, 262144)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);

}  // namespace

BENCHMARK_MAIN();
