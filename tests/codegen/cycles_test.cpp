#include "codegen/cycles.hpp"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace tolv::codegen {
namespace {

std::set<std::uint32_t> cyclic(const Edges& edges) {
    const Components components = strongly_connected_components(edges);
    std::set<std::uint32_t> out;
    for (std::uint32_t v = 0; v < edges.size(); ++v) {
        if (components.on_cycle[v]) out.insert(v);
    }
    return out;
}

TEST(StronglyConnectedComponents, FindsEveryMemberButNotTheDependents) {
    EXPECT_EQ(cyclic({}), std::set<std::uint32_t>{});
    EXPECT_EQ(cyclic({{1}, {0}, {0}, {}}), (std::set<std::uint32_t>{0, 1}));
    EXPECT_EQ(cyclic({{0}, {0}}), std::set<std::uint32_t>{0});
    EXPECT_EQ(cyclic({{1}, {2}, {0, 3}, {4}, {3}}), (std::set<std::uint32_t>{0, 1, 2, 3, 4}));
    const Components two = strongly_connected_components({{1}, {2}, {0, 3}, {4}, {3}});
    EXPECT_EQ(two.of[0], two.of[2]);
    EXPECT_EQ(two.of[3], two.of[4]);
    EXPECT_NE(two.of[0], two.of[3]);
}

TEST(StronglyConnectedComponents, LongChainsNeedNoDeepRecursion) {
    constexpr std::uint32_t length = 200000;
    Edges edges(length);
    for (std::uint32_t i = 0; i < length; ++i) edges[i] = {(i + 1) % length};
    EXPECT_EQ(cyclic(edges).size(), length);
}

// A node is on a cycle when it can reach itself.
std::set<std::uint32_t> reference_cycles(const Edges& edges) {
    std::set<std::uint32_t> out;
    for (std::uint32_t start = 0; start < edges.size(); ++start) {
        std::set<std::uint32_t> seen;
        std::vector<std::uint32_t> todo(edges[start]);
        while (!todo.empty()) {
            const std::uint32_t next = todo.back();
            todo.pop_back();
            if (!seen.insert(next).second) continue;
            todo.insert(todo.end(), edges[next].begin(), edges[next].end());
        }
        if (seen.contains(start)) out.insert(start);
    }
    return out;
}

TEST(StronglyConnectedComponents, MatchesReachabilityOnRandomGraphs) {
    std::mt19937 random(777);
    for (int round = 0; round < 200; ++round) {
        const auto count = std::uniform_int_distribution<std::uint32_t>(1, 30)(random);
        std::bernoulli_distribution edge(std::uniform_real_distribution<double>(0.0, 0.12)(random));
        Edges edges(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            for (std::uint32_t j = 0; j < count; ++j) {
                if (edge(random)) edges[i].push_back(j);
            }
        }
        ASSERT_EQ(cyclic(edges), reference_cycles(edges)) << "round " << round;
    }
}

}  // namespace
}  // namespace tolv::codegen
