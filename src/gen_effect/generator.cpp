#include "gen_effect/generator.hpp"

#include <string_view>

#include "gen_effect/api_module.hpp"

namespace tolv::embedded {
extern const std::string_view effect_internal_ts;
}

namespace tolv::gen_effect {

codegen::GenerationResult generate_with_options(const schema::ApiGraph& graph, const EffectGenOptions& options) {
    codegen::GenerationResult result;
    result.files.push_back({"api.ts", printer::print_api(graph, options)});
    result.files.push_back({"_effect_internal.ts", std::string(embedded::effect_internal_ts)});
    return result;
}

}  // namespace tolv::gen_effect
