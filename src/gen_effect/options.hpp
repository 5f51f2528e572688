// Options of the Effect client generator.
#pragma once

#include <cstdint>
#include <optional>

#include "schema/endpoint.hpp"

namespace tolv::gen_effect {

enum class ReturnSurface : std::uint8_t { Effect, Promise };

struct EffectGenOptions {
    ReturnSurface default_surface = ReturnSurface::Effect;  // "default"
    std::optional<ReturnSurface> commands;
    std::optional<ReturnSurface> uploads;
    std::optional<ReturnSurface> statics;
    std::optional<ReturnSurface> channels;
    // Carried along; websocket endpoints have a single form.
    std::optional<ReturnSurface> websockets;
};

// The override of the endpoint's kind, else the default surface. Websockets
// have no surface; they get the default.
inline ReturnSurface resolve_surface(const EffectGenOptions& options, schema::EndpointKind kind) {
    switch (kind) {
        case schema::EndpointKind::Rpc: return options.commands.value_or(options.default_surface);
        case schema::EndpointKind::Channel: return options.channels.value_or(options.default_surface);
        case schema::EndpointKind::Upload: return options.uploads.value_or(options.default_surface);
        case schema::EndpointKind::Static: return options.statics.value_or(options.default_surface);
        case schema::EndpointKind::Ws: break;
    }
    return options.default_surface;
}

}  // namespace tolv::gen_effect
