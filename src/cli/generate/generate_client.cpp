#include "cli/generate/generate_client.hpp"

#include "gen_effect/generator.hpp"
#include "gen_ts/generator.hpp"

namespace tolv::cli {

const char* language_name(Language language) { return language == Language::Effect ? "effect" : "typescript"; }

Result<codegen::GenerationResult> generate_client(Language language, const gen_effect::EffectGenOptions& options,
                                          const schema::ApiGraph& graph) {
    if (language == Language::Effect) return gen_effect::generate_with_options(graph, options);
    return gen_ts::generate(graph);
}

}  // namespace tolv::cli
