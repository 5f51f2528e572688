#include "schema/unicode_text.hpp"

#include <cstddef>
#include <cstdint>

namespace tolv::schema {
namespace {

bool is_white_space(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

bool is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Decodes the character of `len` bytes at s[at]; returns U+FFFF (not white
// space) for anything malformed.
char32_t decode(std::string_view s, std::size_t at, std::size_t len) {
    const auto lead = static_cast<unsigned char>(s[at]);
    char32_t c = 0;
    switch (len) {
        case 1: return lead < 0x80 ? lead : 0xFFFF;
        case 2: c = lead & 0x1Fu; break;
        case 3: c = lead & 0x0Fu; break;
        case 4: c = lead & 0x07u; break;
        default: return 0xFFFF;
    }
    for (std::size_t i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(s[at + i]);
        if (!is_continuation(b)) return 0xFFFF;
        c = (c << 6) | (b & 0x3Fu);
    }
    return c;
}

std::size_t sequence_length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

}  // namespace

std::string_view trim_unicode_whitespace(std::string_view s) {
    std::size_t begin = 0;
    while (begin < s.size()) {
        const std::size_t len = sequence_length(static_cast<unsigned char>(s[begin]));
        if (begin + len > s.size() || !is_white_space(decode(s, begin, len))) break;
        begin += len;
    }
    std::size_t end = s.size();
    while (end > begin) {
        std::size_t start = end - 1;
        while (start > begin && end - start < 4 && is_continuation(static_cast<unsigned char>(s[start]))) --start;
        const std::size_t len = end - start;
        if (sequence_length(static_cast<unsigned char>(s[start])) != len || !is_white_space(decode(s, start, len)))
            break;
        end = start;
    }
    return s.substr(begin, end - begin);
}

}  // namespace tolv::schema
