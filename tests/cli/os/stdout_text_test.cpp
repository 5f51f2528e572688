#include "cli/os/stdout_text.hpp"

#include <gtest/gtest.h>

namespace tolv::cli {
namespace {

TEST(PanicDeathTest, PrintsTheMessageAndExits101) {
    EXPECT_EXIT(panic("invariant broken"), ::testing::ExitedWithCode(101), "^invariant broken\n$");
}

}  // namespace
}  // namespace tolv::cli
