// The parsed command line: one record per command.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "cli/generate/generate_client.hpp"
#include "gen_effect/options.hpp"

namespace tolv::cli {

enum class BackendTarget { Python, Rust };

// The surface options shared by `gen` and `dev`; absent means "not given".
struct SurfaceArgs {
    std::optional<gen_effect::ReturnSurface> default_surface;  // --surface
    std::optional<gen_effect::ReturnSurface> commands;
    std::optional<gen_effect::ReturnSurface> channels;
    std::optional<gen_effect::ReturnSurface> uploads;
    std::optional<gen_effect::ReturnSurface> statics;
    std::optional<gen_effect::ReturnSurface> websockets;
};

struct GenArgs {
    Language language = Language::Typescript;
    BackendTarget target = BackendTarget::Python;
    std::string out;
    std::optional<std::string> app;
    std::string python = "python";
    std::optional<std::string> rust_cmd;
    std::vector<std::string> rust_args;
    SurfaceArgs surface;
};

struct DevArgs {
    std::string out;
    Language language = Language::Typescript;
    std::optional<std::string> app;
    std::string python = "python";
    std::uint64_t debounce_ms = 250;
    std::vector<std::string> watch_globs;
    std::vector<std::string> app_cmd;
    SurfaceArgs surface;
};

struct SchemaDumpArgs {
    std::optional<std::string> app;
    std::string python = "python";
    bool compact = false;
    std::vector<std::string> app_cmd;
};

using Command = std::variant<GenArgs, DevArgs, SchemaDumpArgs>;

// EffectGenOptions from the surface options: `default` falls back to Effect.
gen_effect::EffectGenOptions effect_options_from(const SurfaceArgs& surface);

}  // namespace tolv::cli
