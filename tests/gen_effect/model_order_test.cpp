#include "gen_effect/model_order.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>

namespace tolv::gen_effect {
namespace {

using Names = std::vector<std::string>;
// Model name to the names of the models it refers to.
using DependencyMap = std::map<std::string, std::set<std::string>>;

// dependency_order over the names, numbered in their byte order; references
// to names that are not keys are left out.
Names sort_models(const DependencyMap& deps) {
    Names names;
    for (const auto& entry : deps) names.push_back(entry.first);
    codegen::Edges edges;
    for (const auto& entry : deps) {
        auto& targets = edges.emplace_back();
        for (const std::string& ref : entry.second) {
            const auto it = std::ranges::lower_bound(names, ref);
            if (it != names.end() && *it == ref) targets.push_back(static_cast<std::uint32_t>(it - names.begin()));
        }
    }
    Names order;
    for (const std::uint32_t node : dependency_order(edges)) order.push_back(names[node]);
    return order;
}

// A literal rendering of the ordering steps: a ready list re-sorted after
// every removal. Quadratic, for comparison only.
Names reference_sort(const DependencyMap& deps) {
    std::map<std::string, unsigned> in_degree;
    std::map<std::string, std::set<std::string>> dependents;
    for (const auto& entry : deps) {
        in_degree[entry.first] = 0;
        dependents[entry.first] = {};
    }
    for (const auto& [name, refs] : deps) {
        for (const std::string& ref : refs) {
            if (!deps.contains(ref)) continue;
            ++in_degree[name];
            dependents[ref].insert(name);
        }
    }
    Names ready;
    for (const auto& [name, degree] : in_degree) {
        if (degree == 0) ready.push_back(name);
    }
    std::stable_sort(ready.begin(), ready.end());
    Names result;
    while (!ready.empty()) {
        const std::string next = ready.front();
        ready.erase(ready.begin());
        result.push_back(next);
        for (const std::string& dependent : dependents[next]) {
            if (--in_degree[dependent] == 0) ready.push_back(dependent);
        }
        std::stable_sort(ready.begin(), ready.end());
    }
    for (const auto& entry : deps) {
        if (std::find(result.begin(), result.end(), entry.first) == result.end()) result.push_back(entry.first);
    }
    return result;
}

struct OrderCase {
    const char* label;
    DependencyMap deps;
    Names expected;
};

void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.label; }

class SortModels : public testing::TestWithParam<OrderCase> {};

TEST_P(SortModels, GivesTheExpectedOrder) {
    EXPECT_EQ(sort_models(GetParam().deps), GetParam().expected) << GetParam().label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SortModels,
    testing::Values(
        OrderCase{"empty", {}, {}}, OrderCase{"independent names sort", {{"B", {}}, {"A", {}}}, {"A", "B"}},
        OrderCase{"dependency first", {{"A", {"B"}}, {"B", {}}}, {"B", "A"}},
        OrderCase{"chain",
                  {{"Order", {"Customer", "Address"}}, {"Customer", {"Address"}}, {"Address", {}}},
                  {"Address", "Customer", "Order"}},
        OrderCase{"waits even when sorting first", {{"Zebra", {}}, {"Apple", {"Zebra"}}}, {"Zebra", "Apple"}},
        OrderCase{"smallest ready goes next",
                  {{"Base", {}}, {"Zulu", {}}, {"Beta", {"Base"}}, {"Alpha", {"Base"}}},
                  {"Base", "Alpha", "Beta", "Zulu"}},
        OrderCase{
            "cycle and dependents last", {{"A", {"B"}}, {"B", {"A"}}, {"C", {"A"}}, {"D", {}}}, {"D", "A", "B", "C"}},
        OrderCase{"missing reference ignored", {{"A", {"Missing"}}}, {"A"}},
        OrderCase{"self edge never ready", {{"A", {"A"}}, {"B", {}}}, {"B", "A"}},
        OrderCase{"capitals first", {{"alpha", {}}, {"Zed", {}}}, {"Zed", "alpha"}}));

TEST(SortModels, MatchesTheStepByStepOrderOnRandomGraphs) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 300; ++round) {
        const int count = std::uniform_int_distribution<int>(0, 40)(random);
        const double density = std::uniform_real_distribution<double>(0.0, 0.15)(random);
        std::bernoulli_distribution edge(density);
        Names names;
        for (int i = 0; i < count; ++i) {
            // Mixed case and shared prefixes exercise the byte order.
            const char* stems[] = {"a", "A", "ab", "B", "b_", "Ba"};
            names.push_back(std::string(stems[i % 6]) + std::to_string(i * 7919 % 97));
        }
        // Even rounds only refer back to earlier names: no cycles at all.
        const bool acyclic = round % 2 == 0;
        DependencyMap deps;
        for (std::size_t i = 0; i < names.size(); ++i) {
            std::set<std::string>& refs = deps[names[i]];
            for (std::size_t j = 0; j < (acyclic ? i : names.size()); ++j) {
                if (j != i && edge(random)) refs.insert(names[j]);
            }
            if (edge(random)) refs.insert("Missing" + names[i]);
        }
        ASSERT_EQ(sort_models(deps), reference_sort(deps)) << "round " << round;
    }
}

}  // namespace
}  // namespace tolv::gen_effect
