#include "base/utf8.hpp"

#include <cstdint>
#include <cstring>
#include <iterator>

#include <fmt/format.h>
#include <unicode/uchar.h>

namespace tolv {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool is_white_space(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// The start of the character that ends at `end` (exclusive), stepping back
// over continuation bytes; `end - 1` when they lead to no valid sequence.
std::size_t previous_start(std::string_view s, std::size_t end) {
    for (std::size_t back = 1; back <= 4 && back <= end; ++back) {
        const std::size_t start = end - back;
        if ((static_cast<unsigned char>(s[start]) & 0xC0) == 0x80) continue;
        return utf8_step(s, start).length == back ? start : end - 1;
    }
    return end - 1;
}

// Characters that a debug rendering spells as \u{...}: marks that would
// combine with the preceding character, and everything not printable
// (controls, format characters, separators other than the space,
// surrogates, private use and unassigned code points).
bool needs_unicode_escape(char32_t c) {
    const auto u = static_cast<UChar32>(c);
    if (u_hasBinaryProperty(u, UCHAR_GRAPHEME_EXTEND)) return true;
    if (c == ' ') return false;
    switch (u_charType(u)) {
        case U_SPACE_SEPARATOR:
        case U_LINE_SEPARATOR:
        case U_PARAGRAPH_SEPARATOR:
        case U_CONTROL_CHAR:
        case U_FORMAT_CHAR:
        case U_SURROGATE:
        case U_PRIVATE_USE_CHAR:
        case U_UNASSIGNED: return true;
        default: return false;
    }
}

}  // namespace

std::string Utf8Error::message() const {
    if (error_len) return fmt::format("invalid utf-8 sequence of {} bytes from index {}", *error_len, valid_up_to);
    return fmt::format("incomplete utf-8 byte sequence from index {}", valid_up_to);
}

std::optional<Utf8Error> validate_utf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        // Plain ASCII is the common case; skip it eight bytes at a time.
        std::uint64_t word = 0;
        if (bytes.size() - i >= sizeof word) {
            std::memcpy(&word, bytes.data() + i, sizeof word);
            if ((word & 0x8080808080808080u) == 0) {
                i += sizeof word;
                continue;
            }
        }
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const Utf8Step step = utf8_step(bytes, i);
        if (step.length == 0) return Utf8Error{i, step.error_len};
        i += step.length;
    }
    return std::nullopt;
}

std::string lossy_utf8(std::string_view bytes) {
    if (!validate_utf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + 16);
    std::size_t i = 0;
    while (i < bytes.size()) {
        const Utf8Step step = utf8_step(bytes, i);
        if (step.length > 0) {
            out.append(bytes.substr(i, step.length));
            i += step.length;
        } else {
            out.append(kReplacement);
            i = step.error_len ? i + *step.error_len : bytes.size();
        }
    }
    return out;
}

void append_debug_escaped(std::string& out, std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char first = static_cast<unsigned char>(bytes[i]);
        if (first >= 0x20 && first < 0x7F && first != '"' && first != '\\') {
            out += static_cast<char>(first);
            ++i;
            continue;
        }
        const Utf8Step step = utf8_step(bytes, i);
        if (step.length == 0) {
            const std::size_t bad = step.error_len ? *step.error_len : bytes.size() - i;
            for (std::size_t k = 0; k < bad; ++k) {
                fmt::format_to(std::back_inserter(out), "\\x{:02X}", static_cast<unsigned char>(bytes[i + k]));
            }
            i += bad;
            continue;
        }
        const char32_t c = step.code_point;
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\0': out += "\\0"; break;
            default:
                if (needs_unicode_escape(c)) {
                    fmt::format_to(std::back_inserter(out), "\\u{{{:x}}}", static_cast<std::uint32_t>(c));
                } else {
                    out.append(bytes.substr(i, step.length));
                }
        }
        i += step.length;
    }
}

std::string quote_debug(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + 2);
    out += '"';
    append_debug_escaped(out, bytes);
    out += '"';
    return out;
}

std::string_view trim_unicode_whitespace(std::string_view s) {
    std::size_t begin = 0;
    while (begin < s.size()) {
        const Utf8Step step = utf8_step(s, begin);
        if (step.length == 0 || !is_white_space(step.code_point)) break;
        begin += step.length;
    }
    std::size_t end = s.size();
    while (end > begin) {
        const std::size_t start = previous_start(s, end);
        const Utf8Step step = utf8_step(s, start);
        if (step.length != end - start || !is_white_space(step.code_point)) break;
        end = start;
    }
    return s.substr(begin, end - begin);
}

}  // namespace tolv
