#include "cli/output/file_system.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace tolv::cli {
namespace {

class RealFileSystem final : public FileSystem {
public:
    bool is_directory(const std::string& path) override {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    int make_directory(const std::string& path) override { return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno; }

    int open_for_writing(const std::string& path) override {
        int fd;
        do {
            fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        return fd >= 0 ? fd : -errno;
    }

    int write_all(int fd, std::string_view data) override {
        while (!data.empty()) {
            ssize_t n = ::write(fd, data.data(), data.size());
            if (n < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            data.remove_prefix(static_cast<std::size_t>(n));
        }
        return 0;
    }

    int sync(int fd) override {
#ifdef __APPLE__
        // fsync only reaches the drive's cache there.
        if (::fcntl(fd, F_FULLFSYNC) == 0) return 0;
#else
        if (::fsync(fd) == 0) return 0;
#endif
        return errno;
    }

    void close(int fd) override { ::close(fd); }

    int rename(const std::string& from, const std::string& to) override {
        return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }

    void remove_file(const std::string& path) override { ::unlink(path.c_str()); }

    std::optional<std::string> read_link(const std::string& path) override {
        std::string target(256, '\0');
        for (;;) {
            const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
            if (n < 0) return std::nullopt;
            if (static_cast<std::size_t>(n) < target.size()) {
                target.resize(static_cast<std::size_t>(n));
                return target;
            }
            target.resize(target.size() * 2);  // perhaps cut short: try again with more room
        }
    }

    std::vector<std::string> list_directory(const std::string& path) override {
        std::vector<std::string> names;
        DIR* dir = ::opendir(path.c_str());
        if (dir == nullptr) return names;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name != "." && name != "..") names.emplace_back(name);
        }
        ::closedir(dir);
        return names;
    }

    std::int64_t process_id() override { return ::getpid(); }

    bool process_exists(std::int64_t pid) override { return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; }

    Nanos128 nanos_since_epoch() override {
        auto since = std::chrono::system_clock::now().time_since_epoch();
        auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(since).count();
        return nanos < 0 ? 0 : static_cast<Nanos128>(nanos);
    }
};

}  // namespace

FileSystem& real_file_system() {
    static RealFileSystem fs;
    return fs;
}

}  // namespace tolv::cli
