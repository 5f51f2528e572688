// Which file-system events make the development loop regenerate.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "cli/dev/watcher.hpp"
#include "codegen/generated_file.hpp"

namespace tolv::cli {

// The files the loop itself writes: each destination and, in the same
// directory, its temporary siblings ".<name>.tmp-<pid>-<n>" of this process.
// Changes to them alone must not trigger another regeneration.
class OwnOutputs {
public:
    OwnOutputs() = default;
    // `destinations` are absolute paths; `pid` is this process's id.
    OwnOutputs(const std::vector<std::string>& destinations, long pid);

    bool contains(std::string_view path) const;

private:
    std::vector<std::string> destinations_;
    std::vector<std::string> temp_prefixes_;
};

// Where a regeneration writes `files` for `--out` (relative to `cwd`), chosen
// as the writer chooses them, with the directories' symbolic links resolved.
OwnOutputs own_outputs_for(const std::string& cwd, const std::string& out,
                           const std::vector<codegen::GeneratedFile>& files, long pid);

// True when `path` (absolute text) matches one `--watch` pattern.
bool watch_pattern_matches(std::string_view pattern, std::string_view path);

// True when the final component of `path` has exactly the extension "py".
bool has_py_extension(std::string_view path);

// True when a change to `path` (absolute) counts: it ends in ".py" when
// there are no patterns, else its text matches one of them.
bool path_is_watched(const std::string& path, const std::vector<std::string>& watch_globs);

// True when the watcher result is a relevant source change. A watcher error
// is printed to standard error and is not relevant; an overflow is printed
// too and is relevant, since the lost events may have been.
bool watched_event_result(const WatchResult& result, const std::vector<std::string>& watch_globs,
                          const OwnOutputs& own_outputs);

// The time now. Returns once the coarse clock, below which file times never
// fall, has passed it (a few milliseconds at most), so a file written after
// the return has a later time and one written before the call does not.
timespec file_time_boundary();

// True when `path` (absolute) is not a directory, was written, or renamed or
// linked into place, after `since` (see file_time_boundary), and a change of
// it would be relevant.
bool changed_relevantly_since(const std::string& path, const timespec& since,
                              const std::vector<std::string>& watch_globs, const OwnOutputs& own_outputs);

}  // namespace tolv::cli
