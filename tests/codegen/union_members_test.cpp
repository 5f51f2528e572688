#include "codegen/union_members.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolv::codegen {
namespace {

using Members = std::vector<std::string>;

Members split(std::string_view text, const UnionSyntax& syntax) {
    Members out;
    for_each_union_member(text, syntax, [&](std::string_view member) { out.emplace_back(member); });
    return out;
}

struct SplitCase {
    const char* text;
    Members plain;
    Members effect;
};

TEST(ForEachUnionMember, SplitsTheOutermostUnionByEachClientsRules) {
    const SplitCase cases[] = {
        {"string", {"string"}, {"string"}},
        {"a | b | c", {"a", "b", "c"}, {"a", "b", "c"}},
        {"", {""}, {""}},
        {"a|b | c", {"a|b", "c"}, {"a|b", "c"}},
        {R"("x | y" | "q\" | z" | w)", {R"("x | y")", R"("q\" | z")", "w"}, {R"("x | y")", R"("q\" | z")", "w"}},
        {"Record<a | b, (c | d)[]> | [e | f]",
         {"Record<a | b, (c | d)[]>", "[e | f]"},
         {"Record<a | b, (c | d)[]>", "[e | f]"}},
        // Where the rules part: braces, unbalanced closers and shared spaces.
        {"{ a | b } | c", {"{ a", "b }", "c"}, {"{ a | b }", "c"}},
        {"a> | b", {"a>", "b"}, {"a> | b"}},
        {"(] | b", {"(] | b"}, {"(]", "b"}},
        {"a | | b", {"a", "", "b"}, {"a", "| b"}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(split(c.text, kPlainUnions), c.plain) << c.text;
        EXPECT_EQ(split(c.text, kEffectUnions), c.effect) << c.text;
    }
}

}  // namespace
}  // namespace tolv::codegen
