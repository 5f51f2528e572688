#include "cli/output/output_writer.hpp"

#include <sys/types.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>

#include <fmt/format.h>

#include "base/utf8.hpp"
#include "cli/os/os_error.hpp"
#include "cli/output/path_text.hpp"

namespace tolv::cli {
namespace {

std::string decimal(Nanos128 value) {
    if (value == 0) return "0";
    std::string digits;
    while (value != 0) {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    }
    return digits;
}

// mkdir -p: creates missing ancestors first, accepting directories that
// exist already (or appear meanwhile). Returns 0 or errno.
int create_dir_all(const std::string& path, FileSystem& fs) {
    if (path.empty()) return 0;
    int err = fs.make_directory(path);
    if (err == 0) return 0;
    if (err != ENOENT) return fs.is_directory(path) ? 0 : err;
    auto up = path_text::parent(path);
    if (!up) return err;
    if (int parent_err = create_dir_all(std::string(*up), fs)) return parent_err;
    err = fs.make_directory(path);
    if (err == 0 || fs.is_directory(path)) return 0;
    return err;
}

Result<void> create_output_directory(const std::string& dir, FileSystem& fs) {
    if (int err = create_dir_all(dir, fs)) {
        return std::unexpected(
            os_error(err).context(fmt::format("failed to create output directory {}", lossy_utf8(dir))));
    }
    return {};
}

// Whether `path` names a file by the extension of its last component; one
// ending in "/" names a directory, whatever that component looks like.
bool has_extension(std::string_view path) {
    if (path.ends_with('/')) return false;
    auto name = path_text::file_name(path);
    return name && path_text::extension(*name).has_value();
}

// "api.ts" compared by components, so "api.ts/" matches and "./api.ts" does not.
bool is_api_module(std::string_view path) {
    return path_text::file_name(path) == "api.ts" && path_text::parent(path) == "";
}

std::string non_empty_parent(std::string_view path) {
    std::string_view up = path_text::parent(path).value_or("");
    return up.empty() ? std::string(".") : std::string(up);
}

// `path`, or what it names when it is a symbolic link, link after link. A
// relative target counts from the link's directory. Gives up after 40 links
// (a cycle), leaving the link to be replaced.
std::string through_links(std::string path, FileSystem& fs) {
    for (int hops = 0; hops < 40; ++hops) {
        auto target = fs.read_link(path);
        if (!target) return path;
        path = path_text::join(path_text::parent(path).value_or(""), *target);
    }
    return path;
}

// The process id of a temporary name's rest "{pid}-{nanos}" (both decimal
// digits only); nullopt for any other text or an id no process can have.
std::optional<std::int64_t> temporary_owner(std::string_view rest) {
    const auto dash = rest.find('-');
    const auto digits = [](std::string_view text) {
        return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (dash == std::string_view::npos || !digits(rest.substr(0, dash)) || !digits(rest.substr(dash + 1))) {
        return std::nullopt;
    }
    std::int64_t pid = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + dash, pid);
    if (ec != std::errc() || pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return std::nullopt;
    return pid;
}

// Removes ".{name}.tmp-{pid}-{nanos}" files in `dir` whose process is gone.
void remove_stale_temporaries(const std::string& dir, const std::string& name, FileSystem& fs) {
    const std::string prefix = "." + name + ".tmp-";
    for (const std::string& entry : fs.list_directory(dir)) {
        if (!entry.starts_with(prefix)) continue;
        const auto owner = temporary_owner(std::string_view(entry).substr(prefix.size()));
        if (owner && !fs.process_exists(*owner)) fs.remove_file(path_text::join(dir, entry));
    }
}

Error step_failed(int err, std::string_view what, const std::string& tmp) {
    return os_error(err).context(fmt::format("{} {}", what, lossy_utf8(tmp)));
}

}  // namespace

std::string output_directory_for(std::string_view out, FileSystem& fs) {
    if (fs.is_directory(std::string(out))) return std::string(out);
    if (has_extension(out)) return non_empty_parent(out);
    return std::string(out);
}

OutputPlan plan_output(const std::vector<codegen::GeneratedFile>& files, std::string_view out, FileSystem& fs) {
    const bool out_names_api_module = !fs.is_directory(std::string(out)) && has_extension(out);
    const std::string api_module = out_names_api_module ? through_links(std::string(out), fs) : std::string(out);
    OutputPlan plan{output_directory_for(api_module, fs), {}};
    plan.destinations.reserve(files.size());
    for (const auto& file : files) {
        plan.destinations.push_back(out_names_api_module && is_api_module(file.path)
                                        ? api_module
                                        : through_links(path_text::join(plan.directory, file.path), fs));
    }
    return plan;
}

Result<void> write_generated_files(const std::vector<codegen::GeneratedFile>& files, std::string_view out,
                                   FileSystem& fs) {
    const OutputPlan plan = plan_output(files, out, fs);
    if (auto made = create_output_directory(plan.directory, fs); !made) return made;
    // The API module last: were writing to fail half way (a full disk), an
    // api.ts already replaced would import a runtime module that is missing
    // or stale.
    std::vector<std::size_t> order;
    order.reserve(files.size());
    for (const bool api_module : {false, true}) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (is_api_module(files[i].path) == api_module) order.push_back(i);
        }
    }
    for (const std::size_t i : order) {
        const std::string& destination = plan.destinations[i];
        if (auto up = path_text::parent(destination); up && !up->empty()) {
            if (auto made = create_output_directory(std::string(*up), fs); !made) return made;
        }
        auto written = write_file_atomically(destination, files[i].content, fs);
        if (!written) {
            return std::unexpected(
                std::move(written.error()).context(fmt::format("failed to write {}", lossy_utf8(destination))));
        }
    }
    return {};
}

Result<void> write_file_atomically(std::string_view destination, std::string_view text, FileSystem& fs) {
    const std::string dest(destination);
    auto name = path_text::file_name(dest);
    if (!name) return fail(fmt::format("output path {} has no file name", lossy_utf8(dest)));

    const std::string dir = non_empty_parent(dest);
    const std::string shown_name = lossy_utf8(*name);
    remove_stale_temporaries(dir, shown_name, fs);
    const std::string tmp = path_text::join(
        dir, fmt::format(".{}.tmp-{}-{}", shown_name, fs.process_id(), decimal(fs.nanos_since_epoch())));

    int fd = fs.open_for_writing(tmp);
    if (fd < 0) return std::unexpected(step_failed(-fd, "failed to create temporary file", tmp));

    // A temporary file is never left behind: on a full disk it would only
    // take more of the space that is missing.
    if (int err = fs.write_all(fd, text)) {
        fs.close(fd);
        fs.remove_file(tmp);
        return std::unexpected(step_failed(err, "failed to write temporary file", tmp));
    }
    if (int err = fs.sync(fd)) {
        fs.close(fd);
        fs.remove_file(tmp);
        return std::unexpected(step_failed(err, "failed to sync temporary file", tmp));
    }
    fs.close(fd);
    if (int err = fs.rename(tmp, dest)) {
        fs.remove_file(tmp);
        return std::unexpected(os_error(err).context(
            fmt::format("failed to atomically replace {} with {}", lossy_utf8(dest), lossy_utf8(tmp))));
    }
    return {};
}

}  // namespace tolv::cli
