#include "cli/command_line/parse_errors.hpp"

#include <gtest/gtest.h>

namespace tolv::cli {
namespace {

TEST(Similarity, SuggestsOnlyCloseCandidates) {
    const std::string_view options[] = {"target", "out", "app", "python"};
    EXPECT_EQ(most_similar("outt", options), "out");
    EXPECT_EQ(most_similar("pyhton", options), "python");
    EXPECT_EQ(most_similar("version", options), std::nullopt);
    EXPECT_DOUBLE_EQ(jaro_similarity("same", "same"), 1.0);
    EXPECT_DOUBLE_EQ(jaro_similarity("", "x"), 0.0);
    // Three characters out of place count as one transposition, not one and a half.
    EXPECT_DOUBLE_EQ(jaro_similarity("abcdef", "bcadef"), (1.0 + 1.0 + 5.0 / 6.0) / 3.0);
}

}  // namespace
}  // namespace tolv::cli
