#include "gen_effect/options.hpp"

namespace tolv::gen_effect {

ReturnSurface resolve_surface(const EffectGenOptions& options, schema::EndpointKind kind) {
    std::optional<ReturnSurface> override_surface;
    switch (kind) {
        case schema::EndpointKind::Rpc: override_surface = options.commands; break;
        case schema::EndpointKind::Channel: override_surface = options.channels; break;
        case schema::EndpointKind::Upload: override_surface = options.uploads; break;
        case schema::EndpointKind::Static: override_surface = options.statics; break;
        case schema::EndpointKind::Ws: break;
    }
    return override_surface.value_or(options.default_surface);
}

}  // namespace tolv::gen_effect
