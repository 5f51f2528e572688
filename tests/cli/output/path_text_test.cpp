#include "cli/output/path_text.hpp"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tolv::cli
