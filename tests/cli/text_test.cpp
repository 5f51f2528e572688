#include <gtest/gtest.h>

#include "cli/parse_errors.hpp"
#include "cli/path_text.hpp"

namespace tolv::cli {
namespace {

TEST(PathText, ComponentsLikeThePlatformPaths) {
    using namespace path_text;
    EXPECT_EQ(file_name("web/api.ts"), "api.ts");
    EXPECT_EQ(file_name("web/api.ts/"), "api.ts");
    EXPECT_EQ(file_name("web/."), "web");
    EXPECT_EQ(file_name("web/.."), std::nullopt);
    EXPECT_EQ(file_name("."), std::nullopt);
    EXPECT_EQ(file_name("/"), std::nullopt);

    EXPECT_EQ(parent("web/api.ts"), "web");
    EXPECT_EQ(parent("api.ts"), "");
    EXPECT_EQ(parent("./api.ts"), ".");
    EXPECT_EQ(parent("/api.ts"), "/");
    EXPECT_EQ(parent("a//b/"), "a");
    EXPECT_EQ(parent("/"), std::nullopt);
    EXPECT_EQ(parent(""), std::nullopt);

    EXPECT_EQ(extension("api.ts"), "ts");
    EXPECT_EQ(extension("api."), "");
    EXPECT_EQ(extension(".bashrc"), std::nullopt);
    EXPECT_EQ(extension("..x"), "x");
    EXPECT_EQ(extension("api"), std::nullopt);
    EXPECT_EQ(file_stem("a.b.py"), "a.b");

    EXPECT_EQ(join(".", "api.ts"), "./api.ts");
    EXPECT_EQ(join("web/", "api.ts"), "web/api.ts");
    EXPECT_EQ(join("", "api.ts"), "api.ts");
    EXPECT_EQ(join("web", "/abs"), "/abs");
}

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
