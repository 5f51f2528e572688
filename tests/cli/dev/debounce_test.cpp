#include "cli/dev/debounce.hpp"

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

TEST(WaitForDebounce, RelevantChangesSlideTheWindow) {
    // The gaps between changes are far below the window, so a busy machine
    // cannot make the wait end between two of them.
    constexpr auto kWindow = 800ms;
    const auto config = config_with_debounce(800);
    auto [sender, receiver] = make_channel<DevMessage>();

    std::atomic<Clock::rep> last_change{0};
    // Taken before the editor starts: its first sleep may begin at once.
    const auto start = Clock::now();
    std::thread editor([&, events = sender] {
        for (int i = 0; i < 4; ++i) {
            std::this_thread::sleep_for(40ms);
            last_change = Clock::now().time_since_epoch().count();
            events.send(change("/p/a.py"));
        }
    });
    EXPECT_FALSE(wait_for_debounce(receiver, config));
    const auto returned = Clock::now();
    editor.join();
    EXPECT_GE(returned - Clock::time_point(Clock::duration(last_change.load())), kWindow);
    EXPECT_GE(returned - start, kWindow + 160ms);
}

TEST(WaitForDebounce, IrrelevantEventsLeaveTheWindowAlone) {
    constexpr auto kWindow = 300ms;
    const auto config = config_with_debounce(300);
    auto [sender, receiver] = make_channel<DevMessage>();
    // Reads and other files keep arriving for far longer than the window;
    // the wait still ends one window after it began.
    std::atomic<bool> stop = false;
    std::thread reader([&stop, events = sender] {
        for (int i = 0; i < 2000 && !stop; ++i) {
            events.send(WatchResult(WatchEvent{WatchEventKind::Access, {"/p/a.py"}}));
            events.send(change("/p/notes.txt"));
            events.send(WatchResult(WatchEvent{WatchEventKind::Modify, {}}));
            std::this_thread::sleep_for(10ms);
        }
    });
    const auto start = Clock::now();
    EXPECT_FALSE(wait_for_debounce(receiver, config));
    EXPECT_GE(elapsed_since(start), kWindow);
    EXPECT_LT(elapsed_since(start), 10s);
    stop = true;
    reader.join();
}

}  // namespace
}  // namespace tolv::cli
