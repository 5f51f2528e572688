// The lines of a documentation comment, shared by both generators.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/utf8.hpp"

namespace tolv::codegen {

// The text trimmed of Unicode white space, split at line feeds, each line
// trimmed again (which also drops a carriage return before a line feed). An
// empty or blank text gives no line.
inline std::vector<std::string_view> doc_comment_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::string_view rest = trim_unicode_whitespace(text);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        lines.push_back(trim_unicode_whitespace(rest.substr(0, end)));
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return lines;
}

// A doc line as it may stand inside a block comment: "*/" would end the
// comment early and break the module, so it is written "*\/".
inline std::string comment_safe(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        out += line[i];
        if (line[i] == '*' && i + 1 < line.size() && line[i + 1] == '/') out += '\\';
    }
    return out;
}

}  // namespace tolv::codegen
