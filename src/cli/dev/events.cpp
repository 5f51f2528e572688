#include "cli/dev/events.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include <fmt/format.h>

#include "base/utf8.hpp"
#include "cli/os/stdout_text.hpp"
#include "cli/output/output_writer.hpp"
#include "cli/output/path_text.hpp"

namespace tolv::cli {
namespace {

// Absolute, with symbolic links resolved as far as the path exists, so it
// compares equal to the paths the watcher reports below the working directory.
std::filesystem::path resolved(const std::filesystem::path& path) {
    std::error_code error;
    auto canonical = std::filesystem::weakly_canonical(path, error);
    return error ? path.lexically_normal() : canonical;
}

bool is_after(const timespec& a, const timespec& b) {
    return a.tv_sec > b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec > b.tv_nsec);
}

}  // namespace

OwnOutputs own_outputs_for(const std::string& cwd, const std::string& out,
                           const std::vector<codegen::GeneratedFile>& files, long pid) {
    // The writer's destinations have their links followed already; the
    // directories above them are resolved here.
    std::vector<std::string> destinations = plan_output(files, path_text::join(cwd, out)).destinations;
    for (auto& destination : destinations) {
        const std::string_view name = path_text::file_name(destination).value_or("");
        const std::string_view parent = path_text::parent(destination).value_or("");
        destination = (resolved(parent) / name).string();
    }
    return OwnOutputs(destinations, pid);
}

OwnOutputs::OwnOutputs(const std::vector<std::string>& destinations, long pid) : destinations_(destinations) {
    for (const auto& destination : destinations_) {
        temp_prefixes_.push_back(
            path_text::join(path_text::parent(destination).value_or(""),
                            fmt::format(".{}.tmp-{}-", path_text::file_name(destination).value_or(""), pid)));
    }
}

bool OwnOutputs::contains(std::string_view path) const {
    return std::ranges::any_of(destinations_, [&](const std::string& d) { return path == d; }) ||
           std::ranges::any_of(temp_prefixes_, [&](const std::string& p) {
               return path.starts_with(p) && path.find('/', p.size()) == std::string_view::npos;
           });
}

bool watch_pattern_matches(std::string_view pattern, std::string_view path) {
    if (pattern == "**/*" || pattern == "*") return true;
    const auto star = pattern.rfind('*');
    if (star == std::string_view::npos) return path.find(pattern) != std::string_view::npos;
    // Split at the last star, so "**/*.py" tests only the ending ".py"; a
    // leading "**/" means "anywhere", which an empty prefix already says.
    std::string_view prefix = pattern.substr(0, star);
    const std::string_view suffix = pattern.substr(star + 1);
    while (prefix.starts_with("**/")) prefix.remove_prefix(3);
    return path.starts_with(prefix) && path.ends_with(suffix);
}

bool has_py_extension(std::string_view path) {
    // A name that merely begins with a dot (".py") has no extension.
    const auto name = path_text::file_name(path);
    return name && path_text::extension(*name) == "py";
}

bool path_is_watched(const std::string& path, const std::vector<std::string>& watch_globs) {
    if (watch_globs.empty()) return has_py_extension(path);
    const std::string text = lossy_utf8(path);  // patterns are matched on text
    return std::ranges::any_of(watch_globs, [&](const std::string& p) { return watch_pattern_matches(p, text); });
}

bool watched_event_result(const WatchResult& result, const std::vector<std::string>& watch_globs,
                          const OwnOutputs& own_outputs) {
    if (!result) {
        print_to_stderr(fmt::format("Error: file watcher event failed: {}\n", result.error().display()));
        return false;
    }
    const WatchEvent& event = *result;
    if (event.kind == WatchEventKind::Overflow) {
        print_to_stderr(
            "Error: file watcher event failed: inotify event queue overflowed; some file events were lost\n");
        return true;
    }
    if (event.kind == WatchEventKind::Access || event.paths.empty()) return false;
    if (std::ranges::all_of(event.paths, [&](const std::string& p) { return own_outputs.contains(p); })) return false;

    return std::ranges::any_of(event.paths, [&](const std::string& p) { return path_is_watched(p, watch_globs); });
}

timespec file_time_boundary() {
    timespec now{};
    timespec tick{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    ::clock_getres(CLOCK_REALTIME_COARSE, &tick);
    // Bounded, should the clock be set back meanwhile.
    for (int waited = 0; waited < 10; ++waited) {
        timespec coarse{};
        ::clock_gettime(CLOCK_REALTIME_COARSE, &coarse);
        if (is_after(coarse, now)) break;
        ::nanosleep(&tick, nullptr);
    }
    return now;
}

bool changed_relevantly_since(const std::string& path, const timespec& since,
                              const std::vector<std::string>& watch_globs, const OwnOutputs& own_outputs) {
    if (own_outputs.contains(path) || !path_is_watched(path, watch_globs)) return false;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
    // A rename, or a copy that keeps the old modification time, still sets ctime.
    return is_after(info.st_mtim, since) || is_after(info.st_ctim, since);
}

}  // namespace tolv::cli
