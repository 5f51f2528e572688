// A recursive file-system watcher over inotify, running on its own thread.
#pragma once

#include <expected>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/error.hpp"

namespace tolv::cli {

// Opening, reading and closing a file (with or without writing) are accesses.
// An overflow names the watched roots: the kernel dropped events, so anything
// below them may have changed.
enum class WatchEventKind { Access, Create, Modify, Remove, Rename, Other, Overflow };

struct WatchEvent {
    WatchEventKind kind = WatchEventKind::Other;
    std::vector<std::string> paths;  // absolute
};

// One delivery of the watcher: an event, or a failure of the watcher itself
// (a directory that could not be watched, a failed read of the events).
using WatchResult = std::expected<WatchEvent, Error>;
using WatchCallback = std::function<void(WatchResult)>;
using EntryVisitor = std::function<void(const std::string& path)>;

class RecursiveWatcher {
public:
    // Starts the watcher thread; nothing is watched until watch_recursive.
    // The callback runs on the watcher thread, one result at a time.
    static Result<std::unique_ptr<RecursiveWatcher>> create(WatchCallback callback);

    // Watches `root` (an absolute directory) and every directory below it.
    // Directories created or moved in later are watched as they appear, and
    // after an overflow the tree is walked again for those whose events were
    // lost. `visit`, when given, is called here with the absolute path of
    // every entry below `root` met while its directory is watched.
    Result<void> watch_recursive(const std::string& root, const EntryVisitor& visit = {});

    // Stops the thread and joins it; the callback is not called afterwards.
    ~RecursiveWatcher();

    RecursiveWatcher(const RecursiveWatcher&) = delete;
    RecursiveWatcher& operator=(const RecursiveWatcher&) = delete;

    struct Impl;

private:
    explicit RecursiveWatcher(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace tolv::cli
