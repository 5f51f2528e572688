#include "cli/dev/regeneration.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "dev_test_support.hpp"

namespace tolv::cli {
namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;
using testing_support::elapsed_since;
using testing_support::TempDir;
namespace fs = std::filesystem;

using Kind = RegenerationOutcome::Kind;

DevConfig shell_config(const std::string& script, const TempDir& dir) {
    DevConfig config;
    config.out = dir / "out";
    config.cwd = dir.path().string();
    config.schema_command = SchemaDumpCommand{SchemaDumpCommand::Command{{"sh", "-c", script}}};
    return config;
}

DevMessage change(std::string path) { return WatchResult(WatchEvent{WatchEventKind::Modify, {std::move(path)}}); }

TEST(Regeneration, ASchemaRunToItsEndIsGeneratedAndWritten) {
    TempDir dir;
    auto config = shell_config("echo starting >&2; echo '{}'", dir);
    auto [sender, receiver] = make_channel<DevMessage>();
    testing::internal::CaptureStderr();
    auto outcome = run_regeneration_cancellable(receiver, config);
    const std::string echoed = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(outcome.has_value()) << outcome.error().display();
    ASSERT_EQ(outcome->kind, Kind::Completed);
    ASSERT_TRUE(outcome->result.has_value()) << outcome->result.error().display();
    EXPECT_EQ(echoed, "starting\n");
    EXPECT_TRUE(fs::exists(dir.path() / "out" / "api.ts"));
    EXPECT_TRUE(fs::exists(dir.path() / "out" / "_internal.ts"));
}

TEST(Regeneration, AFailedChildCompletesWithTheCheckError) {
    TempDir dir;
    auto config = shell_config("echo '{}'; echo oops >&2; exit 3", dir);
    auto [sender, receiver] = make_channel<DevMessage>();
    testing::internal::CaptureStderr();
    auto outcome = run_regeneration_cancellable(receiver, config);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "oops\n");
    ASSERT_TRUE(outcome.has_value());
    ASSERT_EQ(outcome->kind, Kind::Completed);
    ASSERT_FALSE(outcome->result.has_value());
    EXPECT_EQ(outcome->result.error().display(), "user app schema dump subprocess failed");
    EXPECT_FALSE(fs::exists(dir.path() / "out"));
}

TEST(Regeneration, AMissingProgramIsFatal) {
    TempDir dir;
    DevConfig config = shell_config("", dir);
    config.schema_command = SchemaDumpCommand{SchemaDumpCommand::Command{{"/nonexistent/tolv-backend"}}};
    auto [sender, receiver] = make_channel<DevMessage>();
    auto outcome = run_regeneration_cancellable(receiver, config);
    ASSERT_FALSE(outcome.has_value());
    EXPECT_EQ(outcome.error().display(),
              "failed to spawn schema dump subprocess: No such file or directory (os error 2)");
}

TEST(Regeneration, AnInvalidAppIsFatalBeforeAnyChildStarts) {
    TempDir dir;
    DevConfig config = shell_config("", dir);
    config.schema_command = SchemaDumpCommand{SchemaDumpCommand::Python{"/nonexistent/python", "pkg-api:app"}};
    auto [sender, receiver] = make_channel<DevMessage>();
    auto outcome = run_regeneration_cancellable(receiver, config);
    ASSERT_FALSE(outcome.has_value());
    EXPECT_EQ(outcome.error().display(), "--app module must be a dotted Python identifier");
}

// A backend that starts a grandchild holding the pipes, then lingers.
constexpr const char* kSlowBackend = "sleep 60 & sleep 60; echo '{}'";

TEST(Regeneration, ARelevantChangeKillsTheWholeChildGroupAndRestarts) {
    TempDir dir;
    auto config = shell_config(kSlowBackend, dir);
    auto [sender, receiver] = make_channel<DevMessage>();
    const auto start = std::chrono::steady_clock::now();
    std::thread editor([events = sender] {
        std::this_thread::sleep_for(100ms);
        events.send(change("/p/notes.txt"));  // not relevant: the child keeps running
        events.send(WatchResult(WatchEvent{WatchEventKind::Access, {"/p/a.py"}}));
        std::this_thread::sleep_for(100ms);
        events.send(change("/p/model.py"));
    });
    auto outcome = run_regeneration_cancellable(receiver, config);
    editor.join();
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->kind, Kind::Restart);
    EXPECT_GE(elapsed_since(start), 200ms);
    EXPECT_LT(elapsed_since(start), 20s) << "the grandchild must not keep the readers waiting";
    EXPECT_FALSE(fs::exists(dir.path() / "out"));
}

TEST(Regeneration, ShutdownOrAClosedChannelKillsTheChild) {
    TempDir dir;
    auto config = shell_config(kSlowBackend, dir);
    {
        auto [sender, receiver] = make_channel<DevMessage>();
        sender.send(ShutdownRequest{});
        auto outcome = run_regeneration_cancellable(receiver, config);
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(outcome->kind, Kind::Shutdown);
    }
    {
        auto pair = make_channel<DevMessage>();
        { auto gone = std::move(pair.first); }
        const auto start = std::chrono::steady_clock::now();
        auto outcome = run_regeneration_cancellable(pair.second, config);
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(outcome->kind, Kind::Shutdown);
        EXPECT_LT(elapsed_since(start), 20s);
    }
    EXPECT_FALSE(fs::exists(dir.path() / "out"));
}

TEST(Regeneration, TheChildGetsDefaultSignalHandlingWhateverWeBlock) {
    TempDir dir;
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &set, nullptr), 0);
    // The child kills itself with SIGTERM: with the mask inherited, it would
    // survive and print a schema.
    auto config = shell_config("kill -TERM $$; echo '{}'", dir);
    auto [sender, receiver] = make_channel<DevMessage>();
    auto outcome = run_regeneration_cancellable(receiver, config);
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ASSERT_TRUE(outcome.has_value());
    ASSERT_EQ(outcome->kind, Kind::Completed);
    ASSERT_FALSE(outcome->result.has_value());
    EXPECT_EQ(outcome->result.error().display(), "user app schema dump subprocess failed");
}

}  // namespace
}  // namespace tolv::cli
