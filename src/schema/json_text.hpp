// Building blocks of JSON text shared by the writer and the error messages:
// string quoting and number layout, appended to a caller's buffer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "schema/json_value.hpp"

namespace tolv::schema::detail {

// s between double quotes; '"', '\\' and control characters escaped.
void append_quoted(std::string& out, std::string_view s);

// Shortest text that reads back to the same double, always with a fraction
// or an exponent: 1.0, 0.001, 1e-7, 1.5e300. Non-finite values give null.
void append_double(std::string& out, double value);
void append_unsigned(std::string& out, std::uint64_t value);
void append_signed(std::string& out, std::int64_t value);

// A number in the layout of its form; any other value as compact JSON.
void append_number(std::string& out, const JsonValue& number);

}  // namespace tolv::schema::detail
