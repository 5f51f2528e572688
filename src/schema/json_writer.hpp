// Writes a graph back as JSON text, with no trailing newline.
#pragma once

#include <string>
#include <string_view>

#include "schema/graph.hpp"

namespace tolv::schema {

std::string write_pretty(const ApiGraph& graph);
std::string write_compact(const ApiGraph& graph);

// The number text used everywhere a JSON number is printed (also by the
// generators for literal types): integers in plain decimal, floats as the
// shortest text that reads back to the same double, always with a fraction
// or an exponent.
std::string format_json_number(const JsonValue& number);
// The JSON string literal of s, quotes included.
std::string quote_json_string(std::string_view s);
// Any JSON value as compact text (numbers as above, object keys in byte order).
std::string write_json_value_compact(const JsonValue& value);

}  // namespace tolv::schema
