// Identifiers of generated code from snake_case schema names.
#pragma once

#include <string>
#include <string_view>

namespace tolv::schema {

// First piece unchanged, every later non-empty piece capitalised.
std::string to_camel_case(std::string_view name);
// Every non-empty piece capitalised.
std::string to_pascal_case(std::string_view name);

// Appends `piece` (not empty) with its first character replaced by that
// character's full Unicode uppercase mapping ("ß" -> "SS").
void append_capitalised(std::string& out, std::string_view piece);

}  // namespace tolv::schema
