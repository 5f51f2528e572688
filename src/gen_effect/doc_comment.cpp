#include "gen_effect/doc_comment.hpp"

#include <string_view>

namespace tolv::gen_effect::printer {

namespace {

bool is_unicode_space(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

// Decodes the UTF-8 sequence of `size` bytes at the front of `bytes`; a
// malformed one decodes to U+FFFD, which is not white space.
char32_t decode(std::string_view bytes, std::size_t size) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (size == 1) return byte(0);
    char32_t c = byte(0) & (0x7F >> size);
    for (std::size_t i = 1; i < size; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0xFFFD;
        c = (c << 6) | (byte(i) & 0x3F);
    }
    return c;
}

std::size_t sequence_size(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

std::string_view trim_unicode_space(std::string_view text) {
    while (!text.empty()) {
        const std::size_t size = sequence_size(static_cast<unsigned char>(text.front()));
        if (size > text.size() || !is_unicode_space(decode(text, size))) break;
        text.remove_prefix(size);
    }
    while (!text.empty()) {
        // Step back over continuation bytes to the start of the last character.
        std::size_t start = text.size() - 1;
        while (start > 0 && text.size() - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
            --start;
        }
        const std::size_t size = text.size() - start;
        if (sequence_size(static_cast<unsigned char>(text[start])) != size ||
            !is_unicode_space(decode(text.substr(start), size))) {
            break;
        }
        text.remove_suffix(size);
    }
    return text;
}

}  // namespace

std::vector<std::string> doc_block(const std::optional<std::string>& doc) {
    if (!doc) return {};
    std::vector<std::string> lines{"/**"};
    std::string_view rest = trim_unicode_space(*doc);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        lines.push_back(" * " + std::string(trim_unicode_space(line)));
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    lines.emplace_back(" */");
    return lines;
}

}  // namespace tolv::gen_effect::printer
