// A parsed JSON value, held as data rather than source text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace tolv::schema {

struct JsonValue {
    using Array = std::vector<JsonValue>;
    // Keys in byte order; a repeated key keeps the later member.
    using Object = std::map<std::string, JsonValue>;
    // Numbers keep one of three forms: unsigned, signed (negative only) or float.
    using Storage = std::variant<std::nullptr_t, bool, std::uint64_t, std::int64_t, double, std::string, Array, Object>;

    Storage v = nullptr;

    JsonValue() = default;
    JsonValue(std::nullptr_t) {}
    JsonValue(bool b) : v(b) {}
    JsonValue(std::uint64_t u) : v(u) {}
    JsonValue(std::int64_t i) : v(i) {}
    JsonValue(double d) : v(d) {}
    JsonValue(std::string s) : v(std::move(s)) {}
    JsonValue(const char* s) : v(std::string(s)) {}
    JsonValue(Array a) : v(std::move(a)) {}
    JsonValue(Object o) : v(std::move(o)) {}

    bool is_null() const { return std::holds_alternative<std::nullptr_t>(v); }
    bool is_bool() const { return std::holds_alternative<bool>(v); }
    bool is_number() const {
        return std::holds_alternative<std::uint64_t>(v) || std::holds_alternative<std::int64_t>(v) ||
               std::holds_alternative<double>(v);
    }
    bool is_string() const { return std::holds_alternative<std::string>(v); }
    bool is_array() const { return std::holds_alternative<Array>(v); }
    bool is_object() const { return std::holds_alternative<Object>(v); }

    friend bool operator==(const JsonValue&, const JsonValue&) = default;
};

}  // namespace tolv::schema
