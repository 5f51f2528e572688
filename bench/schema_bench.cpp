// Reading and writing throughput of the schema document, and how it grows
// with the size of the schema.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "schema/json_reader.hpp"
#include "schema/json_writer.hpp"
#include "synthetic_schema.hpp"

namespace {

using tolv::bench::make_synthetic_graph;

// About 20 MB of pretty text (about 10 MB compact).
constexpr std::size_t kLargeModels = 3700;
constexpr std::size_t kLargeEndpoints = 3700;

const tolv::schema::ApiGraph& large_graph() {
    static const auto graph = make_synthetic_graph(kLargeModels, kLargeEndpoints);
    return graph;
}

const std::string& large_text(bool pretty) {
    static const std::string pretty_text = tolv::schema::write_pretty(large_graph());
    static const std::string compact_text = tolv::schema::write_compact(large_graph());
    return pretty ? pretty_text : compact_text;
}

void read_text(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        auto graph = tolv::schema::read_api_graph(text);
        if (!graph) state.SkipWithError(graph.error().display().c_str());
        benchmark::DoNotOptimize(graph);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}

void BM_ReadPretty(benchmark::State& state) { read_text(state, large_text(true)); }
void BM_ReadCompact(benchmark::State& state) { read_text(state, large_text(false)); }

template <bool Pretty>
void BM_Write(benchmark::State& state) {
    const auto& graph = large_graph();
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string text = Pretty ? tolv::schema::write_pretty(graph) : tolv::schema::write_compact(graph);
        bytes = text.size();
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

// Size sweep: time per document should grow linearly with the model count.
const std::string& sweep_text(std::size_t models) {
    static std::map<std::size_t, std::string> texts;
    auto [it, inserted] = texts.try_emplace(models);
    if (inserted) it->second = tolv::schema::write_pretty(make_synthetic_graph(models, models));
    return it->second;
}

void BM_ReadSweep(benchmark::State& state) {
    const auto models = static_cast<std::size_t>(state.range(0));
    const std::string& text = sweep_text(models);
    for (auto _ : state) benchmark::DoNotOptimize(tolv::schema::read_api_graph(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.SetComplexityN(state.range(0));
}

void BM_WriteSweep(benchmark::State& state) {
    const auto models = static_cast<std::size_t>(state.range(0));
    const auto graph = make_synthetic_graph(models, models);
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string text = tolv::schema::write_pretty(graph);
        bytes = text.size();
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.SetComplexityN(state.range(0));
}

}  // namespace

BENCHMARK(BM_ReadPretty)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadCompact)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write<true>)->Name("BM_WritePretty")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write<false>)->Name("BM_WriteCompact")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSweep)->RangeMultiplier(4)->Range(64, 16384)->Complexity(benchmark::oN)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteSweep)
    ->RangeMultiplier(4)
    ->Range(64, 16384)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
