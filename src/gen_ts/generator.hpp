// The plain promise-based TypeScript client generator.
#pragma once

#include <string>

#include "base/error.hpp"
#include "codegen/generated_file.hpp"
#include "schema/graph.hpp"

namespace tolv::gen_ts {

// "api.ts" printed from the graph, then the runtime module "_internal.ts";
// fails when two schema entries would take one name (codegen::declare_names).
Result<codegen::GenerationResult> generate(const schema::ApiGraph& graph);

// The api.ts module alone.
Result<std::string> print_api(const schema::ApiGraph& graph);

}  // namespace tolv::gen_ts
