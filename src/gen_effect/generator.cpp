#include "gen_effect/generator.hpp"
// Placeholder until the printer lands.
namespace tolv::gen_effect {
codegen::GenerationResult generate_with_options(const schema::ApiGraph&, const EffectGenOptions&) { return {}; }
}
