#include "cli/dev_debounce.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <thread>

#include "dev_test_support.hpp"

namespace tolv::cli {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing_support::elapsed_since;

DevMessage change(const char* path) { return WatchResult(WatchEvent{WatchEventKind::Modify, {path}}); }

DevConfig config_with_debounce(std::uint64_t ms) {
    DevConfig config;
    config.debounce_ms = ms;
    return config;
}

TEST(SaturatingDeadline, HugeWindowsSaturateInsteadOfOverflowing) {
    const auto now = Clock::now();
    EXPECT_EQ(saturating_deadline(now, std::numeric_limits<std::uint64_t>::max()), Clock::time_point::max());
    EXPECT_EQ(saturating_deadline(now, std::numeric_limits<std::int64_t>::max() / 2), Clock::time_point::max());
    EXPECT_EQ(saturating_deadline(now, 250), now + 250ms);
    EXPECT_EQ(saturating_deadline(now, 0), now);
}

TEST(WaitForDebounce, ZeroWindowReturnsAtOnceWithoutReceiving) {
    auto [sender, receiver] = make_channel<DevMessage>();
    sender.send(ShutdownRequest{});
    EXPECT_FALSE(wait_for_debounce(receiver, config_with_debounce(0)));
    std::optional<DevMessage> left;
    ASSERT_EQ(receiver.recv_for(left, 0ms), RecvStatus::Message);
    EXPECT_TRUE(std::holds_alternative<ShutdownRequest>(*left));
}

TEST(WaitForDebounce, ShutdownOrDisconnectionEndsAHugeWindow) {
    const auto config = config_with_debounce(std::numeric_limits<std::uint64_t>::max());
    {
        auto [sender, receiver] = make_channel<DevMessage>();
        sender.send(change("/p/a.py"));
        sender.send(ShutdownRequest{});
        EXPECT_TRUE(wait_for_debounce(receiver, config));
    }
    {
        auto pair = make_channel<DevMessage>();
        { auto gone = std::move(pair.first); }
        EXPECT_TRUE(wait_for_debounce(pair.second, config));
    }
}

TEST(WaitForDebounce, RelevantChangesSlideTheWindowIrrelevantOnesDoNot) {
    constexpr auto kWindow = 150ms;
    const auto config = config_with_debounce(150);
    auto [sender, receiver] = make_channel<DevMessage>();

    Clock::time_point last_change;
    std::thread editor([&, events = sender] {
        for (int i = 0; i < 4; ++i) {
            std::this_thread::sleep_for(40ms);
            last_change = Clock::now();
            events.send(change("/p/a.py"));
        }
    });
    EXPECT_FALSE(wait_for_debounce(receiver, config));
    const auto returned = Clock::now();
    editor.join();
    EXPECT_GE(returned - last_change, kWindow);

    // Irrelevant events (reads, other files) leave the deadline alone: with
    // them arriving for 3 s, the wait still ends one window after it began.
    std::atomic<bool> stop = false;
    std::thread reader([&stop, events = sender] {
        for (int i = 0; i < 300 && !stop; ++i) {
            events.send(WatchResult(WatchEvent{WatchEventKind::Access, {"/p/a.py"}}));
            events.send(change("/p/notes.txt"));
            std::this_thread::sleep_for(10ms);
        }
    });
    const auto start = Clock::now();
    EXPECT_FALSE(wait_for_debounce(receiver, config));
    EXPECT_GE(elapsed_since(start), kWindow);
    EXPECT_LT(elapsed_since(start), 2500ms);
    stop = true;
    reader.join();
}

}  // namespace
}  // namespace tolv::cli
