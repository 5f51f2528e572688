// The few file-system calls the output writer makes, behind an interface so
// tests can make any of them fail. Paths are byte strings; errors are errno.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolv::cli {

__extension__ using Nanos128 = unsigned __int128;

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Follows symbolic links.
    virtual bool is_directory(const std::string& path) = 0;
    // mkdir with mode 0777 (reduced by the umask); 0 or errno.
    virtual int make_directory(const std::string& path) = 0;
    // Creates or truncates with mode 0666 (reduced by the umask); an fd or -errno.
    virtual int open_for_writing(const std::string& path) = 0;
    // Writes everything, retrying short writes; 0 or errno.
    virtual int write_all(int fd, std::string_view data) = 0;
    // Flushes data and metadata to the device; 0 or errno.
    virtual int sync(int fd) = 0;
    virtual void close(int fd) = 0;
    virtual int rename(const std::string& from, const std::string& to) = 0;
    virtual void remove_file(const std::string& path) = 0;
    // What a symbolic link holds; nullopt when `path` is no link.
    virtual std::optional<std::string> read_link(const std::string& path) = 0;
    // The names in a directory ("." and ".." left out); empty when unreadable.
    virtual std::vector<std::string> list_directory(const std::string& path) = 0;

    virtual std::int64_t process_id() = 0;
    // False only when no process has this id (a process of another user exists).
    virtual bool process_exists(std::int64_t pid) = 0;
    // Wall-clock nanoseconds since the Unix epoch; 0 before it.
    virtual Nanos128 nanos_since_epoch() = 0;
};

FileSystem& real_file_system();

}  // namespace tolv::cli
