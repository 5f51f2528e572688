#include "codegen/safe_names.hpp"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <cstdint>

#include "base/utf8.hpp"
#include "schema/json_writer.hpp"
#include "schema/naming.hpp"

namespace tolv::codegen {
namespace {

constexpr char32_t kZwnj = 0x200C;
constexpr char32_t kZwj = 0x200D;

// ASCII, which nearly every name is made of, is decided by a table: bit 1
// starts an identifier, bit 2 continues one.
constexpr std::array<std::uint8_t, 128> kAsciiIdentifier = [] {
    std::array<std::uint8_t, 128> table{};
    for (int c = 0; c < 128; ++c) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '$' || c == '_';
        table[static_cast<std::size_t>(c)] =
            static_cast<std::uint8_t>((letter ? 1 : 0) | (letter || (c >= '0' && c <= '9') ? 2 : 0));
    }
    return table;
}();

bool starts_identifier(char32_t c) {
    if (c < 0x80) return (kAsciiIdentifier[c] & 1) != 0;
    return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_ID_START);
}

bool continues_identifier(char32_t c) {
    if (c < 0x80) return (kAsciiIdentifier[c] & 2) != 0;
    return c == kZwnj || c == kZwj || u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_ID_CONTINUE);
}

// Reserved in strict module code, plus the globals that declarations must
// never shadow because generated code names them directly, plus "then": a
// module exporting it is taken for a promise, and `await import()` calls it.
// Sorted.
constexpr std::array<std::string_view, 53> kReserved = {
    "Infinity", "NaN",        "arguments", "await",  "break",    "case",       "catch",   "class",      "const",
    "continue", "debugger",   "default",   "delete", "do",       "else",       "enum",    "eval",       "export",
    "extends",  "false",      "finally",   "for",    "function", "globalThis", "if",      "implements", "import",
    "in",       "instanceof", "interface", "let",    "new",      "null",       "package", "private",    "protected",
    "public",   "return",     "static",    "super",  "switch",   "then",       "this",    "throw",      "true",
    "try",      "typeof",     "undefined", "var",    "void",     "while",      "with",    "yield",
};
static_assert(std::ranges::is_sorted(kReserved));
constexpr std::size_t kLongestReserved = std::ranges::max(kReserved, {}, &std::string_view::size).size();

}  // namespace

bool is_identifier_name(std::string_view text) {
    if (text.empty()) return false;
    for (std::size_t i = 0; i < text.size();) {
        if (const auto byte = static_cast<unsigned char>(text[i]); byte < 0x80) {
            if ((kAsciiIdentifier[byte] & (i == 0 ? 1 : 2)) == 0) return false;
            ++i;
            continue;
        }
        const Utf8Step step = utf8_step(text, i);
        if (step.length == 0) return false;
        if (!(i == 0 ? starts_identifier(step.code_point) : continues_identifier(step.code_point))) return false;
        i += step.length;
    }
    return true;
}

bool is_reserved_word(std::string_view text) {
    // Every reserved word starts with a small letter but Infinity and NaN:
    // PascalCase names are mostly told apart by their first character, and
    // long names by their length.
    if (text.empty() || text.size() > kLongestReserved ||
        (text[0] >= 'A' && text[0] <= 'Z' && text[0] != 'I' && text[0] != 'N')) {
        return false;
    }
    return std::ranges::binary_search(kReserved, text);
}

std::string identifier_words(std::string_view converted) {
    std::string out;
    out.reserve(converted.size());
    bool first_word = true;
    std::size_t word_start = 0;
    const auto end_word = [&](std::size_t end) {
        const std::string_view word = converted.substr(word_start, end - word_start);
        if (first_word) {
            out.append(word);
        } else if (!word.empty()) {
            schema::append_capitalised(out, word);
        }
    };
    for (std::size_t i = 0; i < converted.size();) {
        if (const auto byte = static_cast<unsigned char>(converted[i]); byte < 0x80 && (kAsciiIdentifier[byte] & 2)) {
            ++i;
            continue;
        }
        const Utf8Step step = utf8_step(converted, i);
        const std::size_t length = step.length != 0 ? step.length : 1;
        if (step.length == 0 || !continues_identifier(step.code_point)) {
            end_word(i);
            first_word = false;
            word_start = i + length;
        }
        i += length;
    }
    end_word(converted.size());
    return out;
}

std::string declarable(std::string identifier) {
    if (identifier.empty()) return identifier;
    if (!starts_identifier(utf8_step(identifier, 0).code_point)) identifier.insert(0, 1, '_');
    if (is_reserved_word(identifier)) identifier += '_';
    return identifier;
}

void append_string_literal(std::string& out, std::string_view text, QuoteStyle style) {
    if (style == QuoteStyle::Json) {
        out += schema::quote_json_string(text);
        return;
    }
    out += '"';
    for (const char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: out += c; break;
        }
    }
    out += '"';
}

void append_template_text(std::string& out, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        // A carriage return written as it is would read as a line feed.
        if (c == '\r') {
            out += "\\r";
            continue;
        }
        if (c == '\\' || c == '`' || (c == '$' && i + 1 < text.size() && text[i + 1] == '{')) out += '\\';
        out += c;
    }
}

void append_property_key(std::string& out, std::string_view name, QuoteStyle style) {
    if (is_identifier_name(name)) {
        out += name;
    } else {
        append_string_literal(out, name, style);
    }
}

void append_object_key(std::string& out, std::string_view name, QuoteStyle style) {
    append_object_key(out, name, is_identifier_name(name), style);
}

void append_object_key(std::string& out, std::string_view name, bool identifier, QuoteStyle style) {
    if (identifier && name != "__proto__") {
        out += name;
        return;
    }
    if (identifier) out += '[';
    append_string_literal(out, name, style);
    if (identifier) out += ']';
}

void append_member_access(std::string& out, std::string_view name, QuoteStyle style) {
    append_member_access(out, name, is_identifier_name(name), style);
}

void append_member_access(std::string& out, std::string_view name, bool identifier, QuoteStyle style) {
    if (identifier) {
        out += '.';
        out += name;
        return;
    }
    out += '[';
    append_string_literal(out, name, style);
    out += ']';
}

}  // namespace tolv::codegen
