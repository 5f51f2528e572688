// What a generator hands to the output writer.
#pragma once

#include <string>
#include <vector>

namespace tolv::codegen {

struct GeneratedFile {
    std::string path;  // relative; a bare file name
    std::string content;

    friend bool operator==(const GeneratedFile&, const GeneratedFile&) = default;
};

// Files in writing order: "api.ts" first, the runtime module second.
struct GenerationResult {
    std::vector<GeneratedFile> files;
};

}  // namespace tolv::codegen
