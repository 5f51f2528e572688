#include "gen_ts/generator.hpp"

#include <string>
#include <string_view>

#include "gen_ts/api_module.hpp"

namespace tolv::embedded {
extern const std::string_view internal_ts;
}

namespace tolv::gen_ts {

codegen::GenerationResult generate(const schema::ApiGraph& graph) {
    codegen::GenerationResult result;
    result.files.reserve(2);
    result.files.push_back({"api.ts", print_api(graph)});
    result.files.push_back({"_internal.ts", std::string(embedded::internal_ts)});
    return result;
}

}  // namespace tolv::gen_ts
