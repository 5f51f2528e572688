#include "cli/command_line/args.hpp"

namespace tolv::cli {

gen_effect::EffectGenOptions effect_options_from(const SurfaceArgs& surface) {
    gen_effect::EffectGenOptions options;
    options.default_surface = surface.default_surface.value_or(gen_effect::ReturnSurface::Effect);
    options.commands = surface.commands;
    options.channels = surface.channels;
    options.uploads = surface.uploads;
    options.statics = surface.statics;
    options.websockets = surface.websockets;
    return options;
}

}  // namespace tolv::cli
