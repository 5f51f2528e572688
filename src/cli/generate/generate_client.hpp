// cli/generate: the one place that picks the generator of a client flavour.
#pragma once

#include "codegen/generated_file.hpp"
#include "gen_effect/options.hpp"
#include "schema/graph.hpp"

namespace tolv::cli {

enum class Language { Typescript, Effect };

// The text form of a language: "typescript" or "effect".
const char* language_name(Language language);

// The client files for `graph`, API module first. `options` shape the Effect
// client only. The file names depend on the language alone, never on the graph.
codegen::GenerationResult generate_client(Language language, const gen_effect::EffectGenOptions& options,
                                          const schema::ApiGraph& graph);

}  // namespace tolv::cli
