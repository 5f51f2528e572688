// Thousands of damaged documents: each must read to a graph or to one
// positioned error, never crash, hang or return a partial graph.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "../../bench/synthetic_schema.hpp"
#include "schema/json_reader.hpp"
#include "schema/json_writer.hpp"

namespace tolv::schema {
namespace {

// Bytes that most often change the meaning of JSON text.
constexpr char kInteresting[] = " \t\n\r{}[]:,\"\\-+.0123456789eEtrufalsn/u\x00\x01\x7f\xc3\xa9\xff\x80";

std::vector<std::string> seed_documents() {
    const ApiGraph graph = bench::make_synthetic_graph(3, 5);
    return {
        write_pretty(graph),
        write_compact(graph),
        R"({"endpoints": {"e": ["e", {"ws": null}, null, "d\u00e9\ud83d\ude00", [], ["any", null], null, null, false, 12]},
            "models": {"m": ["m", [["s", "w", {"kind": "literal", "value": {"a": [1, -0, 2.5e-3, "x\n"]}}, true, false, true, null, null]], null]},
            "enums": {"n": {"name": "n", "values": [null, true, 18446744073709551616]}},
            "unknown": [{"k": [[["\ud800"]]]}, -1e999]})",
    };
}

TEST(Robustness, MutatedDocumentsReadOrFailCleanly) {
    std::mt19937_64 rng(20240611);
    const auto seeds = seed_documents();
    std::size_t graphs = 0;
    std::size_t errors = 0;
    for (int round = 0; round < 6000; ++round) {
        std::string doc = seeds[rng() % seeds.size()];
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits && !doc.empty(); ++e) {
            const std::size_t at = rng() % doc.size();
            const char byte = kInteresting[rng() % (sizeof kInteresting - 1)];
            switch (rng() % 4) {
                case 0: doc[at] = byte; break;
                case 1: doc.erase(at, 1); break;
                case 2: doc.insert(doc.begin() + static_cast<std::ptrdiff_t>(at), byte); break;
                default: doc.resize(at); break;
            }
        }
        const auto result = read_api_graph(doc);
        if (result) {
            ++graphs;
            // Whatever was read writes back to a text that reads to the same graph.
            const auto again = read_api_graph(write_compact(*result));
            ASSERT_TRUE(again) << again.error().display();
            ASSERT_TRUE(*again == *result);
        } else {
            ++errors;
            ASSERT_NE(result.error().message().find(" at line "), std::string::npos) << result.error().message();
            ASSERT_EQ(result.error().chain().size(), 1u);
        }
    }
    EXPECT_GT(graphs, 100u);
    EXPECT_GT(errors, 1000u);
}

}  // namespace
}  // namespace tolv::schema
