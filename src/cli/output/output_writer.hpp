// cli/output: generated files written under --out, each replaced atomically; the file system behind an interface.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/error.hpp"
#include "cli/output/file_system.hpp"
#include "codegen/generated_file.hpp"

namespace tolv::cli {

// The directory the files go to: `out` when it is an existing directory,
// the parent of `out` when it names a file by its extension (and does not
// end in "/"), else `out`.
std::string output_directory_for(std::string_view out, FileSystem& fs);

struct OutputPlan {
    std::string directory;                  // created before anything is written
    std::vector<std::string> destinations;  // one per file, in list order
};

// Where the files go: `out` itself for "api.ts" when `out` names the API
// module (it has an extension, does not end in "/" and is not an existing
// directory), else the output directory joined with the file's path. A
// destination that is a symbolic link (`out` included) is written through:
// the link's target is the destination, and the runtime module goes beside
// that target.
OutputPlan plan_output(const std::vector<codegen::GeneratedFile>& files, std::string_view out,
                       FileSystem& fs = real_file_system());

// Writes every file atomically, "api.ts" after the others, so that it never
// imports a runtime module that could not be written.
Result<void> write_generated_files(const std::vector<codegen::GeneratedFile>& files, std::string_view out,
                                   FileSystem& fs = real_file_system());

// Text to a temporary sibling ".{name}.tmp-{pid}-{nanos}", fsync, rename
// over `destination`. The temporary file never outlives a failure. Such
// siblings of processes that no longer exist (killed while writing) are
// removed first; those of live processes are left alone.
Result<void> write_file_atomically(std::string_view destination, std::string_view text,
                                   FileSystem& fs = real_file_system());

}  // namespace tolv::cli
