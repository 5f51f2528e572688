#include "cli/dev/watcher.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "dev_test_support.hpp"

namespace tolv::cli {
namespace {

using namespace std::chrono_literals;
using testing_support::TempDir;
using testing_support::write_file;
namespace fs = std::filesystem;

// Collects what the watcher delivers and lets the test wait for a result.
class Collector {
public:
    WatchCallback callback() {
        return [this](WatchResult result) {
            { std::lock_guard hold(gate); }
            std::lock_guard lock(mutex_);
            results_.push_back(std::move(result));
            changed_.notify_all();
        };
    }

    // Waits up to 20 s for an event of `kind` naming `path`.
    bool wait_for(WatchEventKind kind, const std::string& path) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 20s, [&] { return seen(kind, path); });
    }

    bool saw(WatchEventKind kind, const std::string& path) {
        std::lock_guard lock(mutex_);
        return seen(kind, path);
    }

    std::size_t errors() {
        std::lock_guard lock(mutex_);
        return static_cast<std::size_t>(std::ranges::count_if(results_, [](const WatchResult& r) { return !r; }));
    }

    std::size_t count() {
        std::lock_guard lock(mutex_);
        return results_.size();
    }

    std::mutex gate;  // held by a test to stop the watcher thread in the callback

private:
    bool seen(WatchEventKind kind, const std::string& path) const {
        return std::ranges::any_of(results_, [&](const WatchResult& r) {
            return r && r->kind == kind && std::ranges::find(r->paths, path) != r->paths.end();
        });
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<WatchResult> results_;
};

struct WatchedTree {
    TempDir dir;
    Collector events;
    std::unique_ptr<RecursiveWatcher> watcher;

    WatchedTree() {
        fs::create_directories(dir.path() / "pkg" / "sub");
        write_file(dir / "pkg/sub/existing.py", "x = 1\n");
        auto created = RecursiveWatcher::create(events.callback());
        EXPECT_TRUE(created.has_value());
        watcher = std::move(*created);
        auto watched = watcher->watch_recursive(dir.path().string());
        EXPECT_TRUE(watched.has_value()) << watched.error().display();
    }
};

TEST(RecursiveWatcher, ReportsCreateModifyRemoveAndRenameWithAbsolutePaths) {
    WatchedTree tree;
    const std::string file = tree.dir / "pkg/sub/model.py";
    write_file(file, "a = 1\n");
    EXPECT_TRUE(tree.events.wait_for(WatchEventKind::Create, file));
    EXPECT_TRUE(tree.events.wait_for(WatchEventKind::Modify, file));

    const std::string renamed = tree.dir / "pkg/renamed.py";
    fs::rename(file, renamed);
    EXPECT_TRUE(tree.events.wait_for(WatchEventKind::Rename, file));
    EXPECT_TRUE(tree.events.wait_for(WatchEventKind::Rename, renamed));

    fs::remove(renamed);
    EXPECT_TRUE(tree.events.wait_for(WatchEventKind::Remove, renamed));
    EXPECT_EQ(tree.events.errors(), 0u);
}

TEST(RecursiveWatcher, ReadingAFileIsOnlyAnAccess) {
    WatchedTree tree;
    const std::string file = tree.dir / "pkg/sub/existing.py";
    (void)testing_support::read_file(file);
    EXPECT_TRUE(tree.events.wait_for(WatchEventKind::Access, file));
    EXPECT_FALSE(tree.events.saw(WatchEventKind::Modify, file));
    EXPECT_FALSE(tree.events.saw(WatchEventKind::Create, file));
}

TEST(RecursiveWatcher, WatchesNewDirectoriesAndReportsWhatTheyAlreadyHold) {
    WatchedTree tree;
    // Made in one go: the file may exist before the directory's watch does.
    fs::create_directories(tree.dir.path() / "fresh" / "deeper");
    write_file(tree.dir / "fresh/deeper/early.py", "");
    EXPECT_TRUE(tree.events.wait_for(WatchEventKind::Create, tree.dir / "fresh"));
    EXPECT_TRUE(tree.events.wait_for(WatchEventKind::Create, tree.dir / "fresh/deeper/early.py"));

    // Later changes inside are seen through the new watches.
    const std::string later = tree.dir / "fresh/deeper/later.py";
    write_file(later, "y = 2\n");
    EXPECT_TRUE(tree.events.wait_for(WatchEventKind::Modify, later));
}

TEST(RecursiveWatcher, AfterLostEventsReportsAnOverflowAndWatchesTheDirectoriesMadeMeanwhile) {
    WatchedTree tree;
    std::unique_lock hold(tree.events.gate);
    // Writes to two files in turn are events the kernel cannot merge: twice
    // as many as it queues.
    const int kept = std::stoi(testing_support::read_file("/proc/sys/fs/inotify/max_queued_events"));
    std::ofstream a(tree.dir / "pkg/a.py"), b(tree.dir / "pkg/b.py");
    for (int i = 0; i < kept; ++i) (a << 'x').flush(), (b << 'x').flush();
    fs::create_directories(tree.dir.path() / "lost" / "deeper");
    hold.unlock();
    EXPECT_TRUE(tree.events.wait_for(WatchEventKind::Overflow, tree.dir.path()));
    const std::string later = tree.dir / "lost/deeper/later.py";
    write_file(later, "");
    EXPECT_TRUE(tree.events.wait_for(WatchEventKind::Create, later));
}

TEST(RecursiveWatcher, FollowsADirectoryMovedInAndStopsFollowingOneMovedOut) {
    TempDir outside;
    fs::create_directories(outside.path() / "incoming" / "nested");
    write_file(outside / "incoming/nested/brought.py", "");

    WatchedTree tree;
    fs::rename(outside.path() / "incoming", tree.dir.path() / "incoming");
    EXPECT_TRUE(tree.events.wait_for(WatchEventKind::Create, tree.dir / "incoming/nested/brought.py"));
    const std::string inside = tree.dir / "incoming/nested/new.py";
    write_file(inside, "z = 3\n");
    EXPECT_TRUE(tree.events.wait_for(WatchEventKind::Modify, inside));

    // Moved within the tree: changes are reported under the new name.
    fs::rename(tree.dir.path() / "incoming", tree.dir.path() / "pkg" / "moved");
    const std::string moved = tree.dir / "pkg/moved/nested/again.py";
    write_file(moved, "");
    EXPECT_TRUE(tree.events.wait_for(WatchEventKind::Create, moved));
    EXPECT_FALSE(tree.events.saw(WatchEventKind::Create, tree.dir / "incoming/nested/again.py"));
    EXPECT_EQ(tree.events.errors(), 0u);
}

TEST(RecursiveWatcher, WatchingAMissingDirectoryFailsWithTheSystemReason) {
    Collector events;
    auto watcher = RecursiveWatcher::create(events.callback());
    ASSERT_TRUE(watcher.has_value());
    auto watched = (*watcher)->watch_recursive("/nonexistent/tolv/dir");
    ASSERT_FALSE(watched.has_value());
    EXPECT_EQ(watched.error().display(), "No such file or directory (os error 2)");
}

TEST(RecursiveWatcher, StopsPromptlyWhileEventsAreStillFlowing) {
    auto tree = std::make_unique<WatchedTree>();
    std::atomic<bool> stop = false;
    std::thread writer([&, path = tree->dir / "pkg/busy.py"] {
        while (!stop) write_file(path, "busy\n");
    });
    ASSERT_TRUE(tree->events.wait_for(WatchEventKind::Modify, tree->dir / "pkg/busy.py"));
    const auto start = std::chrono::steady_clock::now();
    tree->watcher.reset();  // joins the thread
    EXPECT_LT(testing_support::elapsed_since(start), 5s);
    const std::size_t after_stop = tree->events.count();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(tree->events.count(), after_stop) << "no delivery after the watcher is dropped";
    stop = true;
    writer.join();
}

}  // namespace
}  // namespace tolv::cli
