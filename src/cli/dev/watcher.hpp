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
enum class WatchEventKind { Access, Create, Modify, Remove, Rename, Other };

struct WatchEvent {
    WatchEventKind kind = WatchEventKind::Other;
    std::vector<std::string> paths;  // absolute
};

// One delivery of the watcher: an event, or a failure of the watcher itself
// (lost events after a queue overflow, a new directory that could not be watched).
using WatchResult = std::expected<WatchEvent, Error>;
using WatchCallback = std::function<void(WatchResult)>;

class RecursiveWatcher {
public:
    // Starts the watcher thread; nothing is watched until watch_recursive.
    // The callback runs on the watcher thread, one result at a time.
    static Result<std::unique_ptr<RecursiveWatcher>> create(WatchCallback callback);

    // Watches `root` (an absolute directory) and every directory below it.
    // Directories created or moved in later are watched as they appear.
    Result<void> watch_recursive(const std::string& root);

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
