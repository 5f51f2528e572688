// UTF-8 text on byte strings: one decoding step, validation with the failing
// position, lossy decoding, debug escaping and Unicode trimming.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tolv {

// The well-formed sequence at s[i], or the error it starts. Overlong forms,
// surrogates and code points above U+10FFFF are errors, and an error's length
// is that of the maximal invalid subpart of the sequence.
struct Utf8Step {
    std::size_t length = 0;                // valid sequence length, 0 on error
    std::optional<std::size_t> error_len;  // error: bytes to skip; nullopt = truncated
    char32_t code_point = 0;               // valid sequences only
};

inline Utf8Step utf8_step(std::string_view s, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char first = at(0);
    if (first < 0x80) return {1, {}, first};
    std::size_t width = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
    char32_t c = 0;
    if (first >= 0xC2 && first <= 0xDF) {
        width = 2;
        c = first & 0x1Fu;
    } else if (first >= 0xE0 && first <= 0xEF) {
        width = 3;
        c = first & 0x0Fu;
        if (first == 0xE0) lo = 0xA0;  // no overlong forms
        if (first == 0xED) hi = 0x9F;  // no surrogates
    } else if (first >= 0xF0 && first <= 0xF4) {
        width = 4;
        c = first & 0x07u;
        if (first == 0xF0) lo = 0x90;
        if (first == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
    } else {
        return {0, 1, 0};
    }
    const std::size_t available = s.size() - i;
    for (std::size_t k = 1; k < width; ++k) {
        if (available <= k) return {0, std::nullopt, 0};
        const unsigned char b = at(k);
        if (k == 1 ? (b < lo || b > hi) : (b & 0xC0) != 0x80) return {0, k, 0};
        c = (c << 6) | (b & 0x3Fu);
    }
    return {width, {}, c};
}

struct Utf8Error {
    std::size_t valid_up_to = 0;
    // Length of the invalid sequence; nullopt when the input ends inside a
    // sequence that could still have been valid.
    std::optional<std::size_t> error_len;

    // "invalid utf-8 sequence of 1 bytes from index 5" or
    // "incomplete utf-8 byte sequence from index 5".
    std::string message() const;
};

std::optional<Utf8Error> validate_utf8(std::string_view bytes);

// Each maximal invalid sequence becomes one U+FFFD.
std::string lossy_utf8(std::string_view bytes);

// Appends the contents of `bytes` with backslash escapes: \" \\ \t \r \n \0;
// \u{202e} (lower-case hex) for what does not print as itself: controls,
// format characters, separators other than the space, combining marks
// (Grapheme_Extend), private use and unassigned code points; \xFF for each
// byte that is not valid UTF-8. Other characters are copied unchanged.
void append_debug_escaped(std::string& out, std::string_view bytes);

// The escaped contents of `bytes` (as above) in double quotes.
std::string quote_debug(std::string_view bytes);

// s without leading and trailing Unicode White_Space characters. Bytes that
// are not valid UTF-8 count as ordinary characters.
std::string_view trim_unicode_whitespace(std::string_view s);

}  // namespace tolv
