// Path arithmetic on byte strings, component-wise: "web/api.ts/" names the
// file "api.ts", a "." inside a path is skipped, ".." has no file name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tolv::cli::path_text {

// The last component when it is a normal name (not "/", "." or "..").
std::optional<std::string_view> file_name(std::string_view path);
// Everything before the last component; "" for a single relative component,
// nullopt for "" and "/".
std::optional<std::string_view> parent(std::string_view path);
// Text after the last dot of a name, when the dot is not its first character.
std::optional<std::string_view> extension(std::string_view name);
// The name without its extension and the dot before it.
std::string_view file_stem(std::string_view name);
// `tail` appended under `base`; an absolute `tail` stands alone.
std::string join(std::string_view base, std::string_view tail);

}  // namespace tolv::cli::path_text
