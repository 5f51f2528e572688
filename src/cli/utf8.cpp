#include "cli/utf8.hpp"

#include <cstdint>

#include <fmt/format.h>

namespace tolv::cli {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the well-formed sequence at `i`, or the error it starts. The
// accepted second bytes rule out overlong forms, surrogates and code points
// above U+10FFFF, so the error lengths are those of the maximal invalid
// subpart of the sequence.
struct Step {
    std::size_t length = 0;                  // valid sequence length, 0 on error
    std::optional<std::size_t> error_len;    // error: bytes to skip; nullopt = truncated
};

Step step_at(std::string_view s, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char first = at(i);
    if (first < 0x80) return {1, {}};
    std::size_t width = 0;
    if (first >= 0xC2 && first <= 0xDF) width = 2;
    else if (first >= 0xE0 && first <= 0xEF) width = 3;
    else if (first >= 0xF0 && first <= 0xF4) width = 4;
    if (width == 0) return {0, 1};

    const std::size_t available = s.size() - i;
    if (available < 2) return {0, std::nullopt};
    const unsigned char second = at(i + 1);
    bool second_ok = false;
    switch (width) {
        case 2: second_ok = is_continuation(second); break;
        case 3:
            second_ok = (first == 0xE0)   ? (second >= 0xA0 && second <= 0xBF)
                        : (first == 0xED) ? (second >= 0x80 && second <= 0x9F)
                                          : is_continuation(second);
            break;
        default:
            second_ok = (first == 0xF0)   ? (second >= 0x90 && second <= 0xBF)
                        : (first == 0xF4) ? (second >= 0x80 && second <= 0x8F)
                                          : is_continuation(second);
            break;
    }
    if (!second_ok) return {0, 1};
    for (std::size_t k = 2; k < width; ++k) {
        if (available <= k) return {0, std::nullopt};
        if (!is_continuation(at(i + k))) return {0, k};
    }
    return {width, {}};
}

// Decodes the valid sequence starting at i (length known).
char32_t decode_at(std::string_view s, std::size_t i, std::size_t length) {
    const auto at = [&](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(s[k])); };
    switch (length) {
        case 1: return at(i);
        case 2: return ((at(i) & 0x1F) << 6) | (at(i + 1) & 0x3F);
        case 3: return ((at(i) & 0x0F) << 12) | ((at(i + 1) & 0x3F) << 6) | (at(i + 2) & 0x3F);
        default:
            return ((at(i) & 0x07) << 18) | ((at(i + 1) & 0x3F) << 12) | ((at(i + 2) & 0x3F) << 6) |
                   (at(i + 3) & 0x3F);
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
        // Plain ASCII is the common case; skip it quickly.
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        Step step = step_at(bytes, i);
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
        Step step = step_at(bytes, i);
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


}  // namespace tolv::cli

namespace tolv::cli {

std::string quote_debug(std::string_view bytes) {
    std::string out = "\"";
    std::size_t i = 0;
    while (i < bytes.size()) {
        Step step = step_at(bytes, i);
        if (step.length == 0) {
            const std::size_t bad = step.error_len ? *step.error_len : bytes.size() - i;
            for (std::size_t k = 0; k < bad; ++k) {
                out += fmt::format("\\x{:02X}", static_cast<unsigned char>(bytes[i + k]));
            }
            i += bad;
            continue;
        }
        const char32_t c = decode_at(bytes, i, step.length);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\0': out += "\\0"; break;
            default:
                if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
                    out += fmt::format("\\u{{{:x}}}", static_cast<std::uint32_t>(c));
                } else {
                    out.append(bytes.substr(i, step.length));
                }
        }
        i += step.length;
    }
    out += '"';
    return out;
}

}  // namespace tolv::cli
