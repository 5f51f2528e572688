// The rules that turn schema names into TypeScript text that parses and means
// what it says: declared identifiers, property keys, member access and the
// bodies of string and template literals.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tolv::codegen {

// An ECMAScript IdentifierName: ID_Start, "$" or "_", then ID_Continue, "$",
// "_", ZWNJ or ZWJ. Reserved words are identifier names too.
bool is_identifier_name(std::string_view text);

// A word reserved in module code, a global the generated code relies on by
// name ("undefined", "globalThis"), or "then", which would make the module
// look like a promise: no declaration may take it.
bool is_reserved_word(std::string_view text);

// The identifier for a name already in camelCase or PascalCase form: every
// character that cannot stand in an identifier separates words, and each
// later word is capitalised ("User:joined" -> "UserJoined"). Empty when
// nothing is left.
std::string identifier_words(std::string_view converted);

// A few names, asked about many times: most names asked about start with a
// byte, or have a length, that none of them has, and are told apart without a
// comparison. Holds views: the names must outlive it. A constant one is
// decided at compile time.
class FewNames {
public:
    static constexpr std::size_t kCapacity = 24;

    constexpr FewNames() = default;
    constexpr explicit FewNames(std::span<const std::string_view> names) {
        for (const std::string_view name : names) add(name);
    }

    constexpr void add(std::string_view name) {
        if (count_ == kCapacity) throw std::length_error("FewNames: more names than it holds");
        names_[count_++] = name;
        lengths_ |= length_bit(name);
        if (!name.empty()) first_bytes_[static_cast<unsigned char>(name[0])] = true;
    }
    constexpr bool contains(std::string_view name) const {
        if (name.empty() || (lengths_ & length_bit(name)) == 0 || !first_bytes_[static_cast<unsigned char>(name[0])]) {
            return false;
        }
        return std::ranges::find(names_.begin(), names_.begin() + count_, name) != names_.begin() + count_;
    }

private:
    // Lengths from 63 on share the last bit.
    static constexpr std::uint64_t length_bit(std::string_view name) {
        return std::uint64_t{1} << std::min<std::size_t>(name.size(), 63);
    }

    std::array<std::string_view, kCapacity> names_{};
    std::size_t count_ = 0;
    std::uint64_t lengths_ = 0;
    std::array<bool, 256> first_bytes_{};
};

// The own properties of Object.prototype: every object inherits them, so a
// value read by one of these names from an object that lacks it is the
// inherited member (a function, Object.prototype), never undefined.
inline constexpr std::array<std::string_view, 12> kInheritedNames = {
    "constructor",      "toString",         "toLocaleString",   "valueOf",
    "hasOwnProperty",   "isPrototypeOf",    "propertyIsEnumerable", "__defineGetter__",
    "__defineSetter__", "__lookupGetter__", "__lookupSetter__", "__proto__",
};
inline constexpr FewNames kInherited{kInheritedNames};
inline bool is_inherited_name(std::string_view name) { return kInherited.contains(name); }

// A name that a declaration can take: a leading "_" before a first character
// that cannot start an identifier (a digit), a trailing "_" after a reserved
// word. `identifier` holds identifier characters only.
std::string declarable(std::string identifier);

// How a string literal is written: the plain client's escapes (backslash,
// double quote, line feed, carriage return, tab; everything else as it is)
// or JSON's.
enum class QuoteStyle { Plain, Json };

// `text` between double quotes, escaped in `style`.
void append_string_literal(std::string& out, std::string_view text, QuoteStyle style);

// The text of a template literal (between backquotes) that reads as `text`.
void append_template_text(std::string& out, std::string_view text);

// A property name in a type or interface: bare when it is an identifier
// name, else a string literal.
void append_property_key(std::string& out, std::string_view name, QuoteStyle style);

// A property name in an object literal: as append_property_key, except that
// "__proto__" is computed (["__proto__"]) so that it names a property rather
// than setting the prototype.
void append_object_key(std::string& out, std::string_view name, QuoteStyle style);
// The same for a name whose is_identifier_name is known already.
void append_object_key(std::string& out, std::string_view name, bool identifier, QuoteStyle style);

// Reading a property: ".name", or ["name"] when it is no identifier name.
void append_member_access(std::string& out, std::string_view name, QuoteStyle style);
void append_member_access(std::string& out, std::string_view name, bool identifier, QuoteStyle style);

}  // namespace tolv::codegen
