// cli/generate: the one place that picks the generator of a client flavour.
#pragma once

#include "base/error.hpp"
#include "codegen/generated_file.hpp"
#include "gen_effect/options.hpp"
#include "schema/graph.hpp"

namespace tolv::cli {

enum class Language { Typescript, Effect };

// The text form of a language: "typescript" or "effect".
const char* language_name(Language language);

// The client files for `graph`, API module first, or the error naming two
// schema entries that would take one name in it. `options` shape the Effect
// client only. The file names depend on the language alone, never on the graph.
Result<codegen::GenerationResult> generate_client(Language language, const gen_effect::EffectGenOptions& options,
                                          const schema::ApiGraph& graph);

}  // namespace tolv::cli
