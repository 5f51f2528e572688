// Helpers shared by the development-loop tests.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace tolv::cli::testing_support {

// A fresh directory, removed with everything in it when dropped.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tolv-dev-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
        // The watcher reports resolved paths; a temporary directory under a
        // symbolic link would not compare equal otherwise.
        path_ = std::filesystem::canonical(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline void write_file(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline auto elapsed_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::steady_clock::now() - start;
}

}  // namespace tolv::cli::testing_support
