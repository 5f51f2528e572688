#include "cli/dev/watcher.hpp"

#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>

#include <fmt/format.h>

#include "cli/os/os_error.hpp"

namespace tolv::cli {
namespace {

constexpr std::uint32_t kWatchMask = IN_ALL_EVENTS | IN_ONLYDIR | IN_DONT_FOLLOW;

std::string join_path(const std::string& dir, const char* name) {
    std::string path = dir;
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

WatchEventKind kind_of(std::uint32_t mask) {
    if (mask & (IN_ACCESS | IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) return WatchEventKind::Access;
    if (mask & IN_CREATE) return WatchEventKind::Create;
    if (mask & (IN_MODIFY | IN_ATTRIB)) return WatchEventKind::Modify;
    if (mask & (IN_DELETE | IN_DELETE_SELF)) return WatchEventKind::Remove;
    if (mask & (IN_MOVED_FROM | IN_MOVED_TO)) return WatchEventKind::Rename;
    return WatchEventKind::Other;
}

// A directory that vanished or was replaced before it could be watched, or one
// we may not read, is skipped below the root rather than failing the whole tree.
bool skippable_watch_error(int err) { return err == ENOENT || err == ENOTDIR || err == EACCES; }

bool is_directory_entry(const std::string& dir, const dirent& entry) {
    if (entry.d_type == DT_DIR) return true;
    if (entry.d_type != DT_UNKNOWN) return false;
    struct stat info {};
    return ::lstat(join_path(dir, entry.d_name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

struct RecursiveWatcher::Impl {
    int inotify_fd = -1;
    int wake_fd = -1;
    WatchCallback callback;
    std::thread thread;

    std::mutex mutex;  // guards the roots and the two maps below
    std::vector<std::string> roots;
    std::unordered_map<int, std::string> dir_by_wd;
    std::map<std::string, int> wd_by_dir;  // ordered, so a subtree is one range

    ~Impl() {
        if (inotify_fd >= 0) ::close(inotify_fd);
        if (wake_fd >= 0) ::close(wake_fd);
    }

    // Adds one watch; returns errno on failure. Caller holds the mutex.
    int add_one(const std::string& dir) {
        const int wd = ::inotify_add_watch(inotify_fd, dir.c_str(), kWatchMask);
        if (wd < 0) return errno;
        // The same directory seen under a new name (it moved): keep the new name.
        if (auto old = dir_by_wd.find(wd); old != dir_by_wd.end() && old->second != dir) {
            wd_by_dir.erase(old->second);
        }
        dir_by_wd[wd] = dir;
        wd_by_dir[dir] = wd;
        return 0;
    }

    // Watches every directory below `root`, itself already watched. Each
    // directory is watched before it is listed, so nothing created in between
    // is missed. `visit`, when set, is called with every entry met.
    // Caller holds the mutex.
    Result<void> add_below(const std::string& root, const EntryVisitor& visit) {
        std::vector<std::string> pending{root};
        while (!pending.empty()) {
            const std::string dir = std::move(pending.back());
            pending.pop_back();
            DIR* stream = ::opendir(dir.c_str());
            if (stream == nullptr) continue;  // vanished or unreadable meanwhile
            while (const dirent* entry = ::readdir(stream)) {
                if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
                std::string path = join_path(dir, entry->d_name);
                if (is_directory_entry(dir, *entry)) {
                    const int err = add_one(path);
                    if (err != 0 && !skippable_watch_error(err)) {
                        ::closedir(stream);
                        return std::unexpected(
                            Error(os_error_text(err)).context(fmt::format("failed to watch directory {}", path)));
                    }
                    if (err == 0) pending.push_back(path);
                }
                if (visit) visit(path);
            }
            ::closedir(stream);
        }
        return {};
    }

    // Drops the watches of `dir` and everything below it. Caller holds the mutex.
    void remove_tree(const std::string& dir) {
        const std::string below = dir + "/";
        auto drop = [&](std::map<std::string, int>::iterator it) {
            ::inotify_rm_watch(inotify_fd, it->second);
            dir_by_wd.erase(it->second);
            return wd_by_dir.erase(it);
        };
        if (auto it = wd_by_dir.find(dir); it != wd_by_dir.end()) drop(it);
        for (auto it = wd_by_dir.lower_bound(below); it != wd_by_dir.end() && it->first.starts_with(below);) {
            it = drop(it);
        }
    }

    void deliver(WatchEventKind kind, std::string path) {
        WatchEvent event{kind, {}};
        event.paths.push_back(std::move(path));
        callback(std::move(event));
    }

    void handle(const inotify_event& raw) {
        if (raw.mask & IN_Q_OVERFLOW) {
            // The lost events may have created directories: watch them before
            // reporting, so that every change after the report is seen.
            Result<void> rescanned;
            WatchEvent overflow{WatchEventKind::Overflow, {}};
            {
                std::lock_guard lock(mutex);
                overflow.paths = roots;
                for (const auto& root : roots) {
                    if (rescanned) rescanned = add_below(root, {});
                }
            }
            callback(std::move(overflow));
            if (!rescanned) callback(std::unexpected(std::move(rescanned.error())));
            return;
        }
        std::string path;
        {
            std::lock_guard lock(mutex);
            auto dir = dir_by_wd.find(raw.wd);
            if (dir == dir_by_wd.end()) return;  // a watch already dropped
            if (raw.mask & IN_IGNORED) {
                if (auto by_dir = wd_by_dir.find(dir->second); by_dir != wd_by_dir.end() && by_dir->second == raw.wd) {
                    wd_by_dir.erase(by_dir);
                }
                dir_by_wd.erase(dir);
                return;
            }
            path = raw.len > 0 ? join_path(dir->second, raw.name) : dir->second;
        }

        const bool is_dir = (raw.mask & IN_ISDIR) != 0;
        deliver(kind_of(raw.mask), path);
        if (is_dir && (raw.mask & IN_MOVED_FROM)) {
            std::lock_guard lock(mutex);
            remove_tree(path);
        }
        if (is_dir && (raw.mask & (IN_CREATE | IN_MOVED_TO))) watch_new_directory(path);
    }

    // A directory that appeared after the tree was watched may already hold
    // entries created before its watch existed: they are reported as created.
    void watch_new_directory(const std::string& dir) {
        std::vector<std::string> found;
        Result<void> added;
        {
            std::lock_guard lock(mutex);
            if (const int err = add_one(dir); err != 0) {
                // Removed or replaced again before the watch was added: no failure.
                if (err == ENOENT || err == ENOTDIR) return;
                added = std::unexpected(
                    Error(os_error_text(err)).context(fmt::format("failed to watch directory {}", dir)));
            } else {
                added = add_below(dir, [&](const std::string& path) { found.push_back(path); });
            }
        }
        for (auto& path : found) deliver(WatchEventKind::Create, std::move(path));
        if (!added) callback(std::unexpected(std::move(added.error())));
    }

    void run() {
        alignas(inotify_event) char buffer[64 * 1024];
        pollfd fds[2] = {{inotify_fd, POLLIN, 0}, {wake_fd, POLLIN, 0}};
        for (;;) {
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                callback(
                    std::unexpected(Error(fmt::format("failed to wait for file events: {}", os_error_text(errno)))));
                return;
            }
            if (fds[1].revents != 0) return;
            if (fds[0].revents == 0) continue;
            const ssize_t got = ::read(inotify_fd, buffer, sizeof buffer);
            if (got < 0) {
                if (errno == EINTR || errno == EAGAIN) continue;
                callback(std::unexpected(Error(fmt::format("failed to read file events: {}", os_error_text(errno)))));
                return;
            }
            for (ssize_t offset = 0; offset < got;) {
                const auto* raw = reinterpret_cast<const inotify_event*>(buffer + offset);
                handle(*raw);
                offset += static_cast<ssize_t>(sizeof(inotify_event) + raw->len);
            }
        }
    }
};

RecursiveWatcher::RecursiveWatcher(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Result<std::unique_ptr<RecursiveWatcher>> RecursiveWatcher::create(WatchCallback callback) {
    auto impl = std::make_unique<Impl>();
    impl->callback = std::move(callback);
    impl->inotify_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (impl->inotify_fd < 0) return fail(os_error_text(errno));
    impl->wake_fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (impl->wake_fd < 0) return fail(os_error_text(errno));
    impl->thread = std::thread([raw = impl.get()] { raw->run(); });
    return std::unique_ptr<RecursiveWatcher>(new RecursiveWatcher(std::move(impl)));
}

Result<void> RecursiveWatcher::watch_recursive(const std::string& root, const EntryVisitor& visit) {
    std::string dir = root;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    std::lock_guard lock(impl_->mutex);
    if (const int err = impl_->add_one(dir); err != 0) return fail(os_error_text(err));
    impl_->roots.push_back(dir);
    return impl_->add_below(dir, visit);
}

RecursiveWatcher::~RecursiveWatcher() {
    const std::uint64_t one = 1;
    // An eventfd write only fails when the counter would overflow, which one
    // write cannot cause; the thread then sees it readable and returns.
    [[maybe_unused]] const ssize_t written = ::write(impl_->wake_fd, &one, sizeof one);
    if (impl_->thread.joinable()) impl_->thread.join();
}

}  // namespace tolv::cli
