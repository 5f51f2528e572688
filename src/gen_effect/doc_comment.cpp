#include "gen_effect/doc_comment.hpp"

#include <string_view>

#include "codegen/doc_comment.hpp"

namespace tolv::gen_effect::printer {

std::vector<std::string> doc_block(const std::optional<std::string>& doc) {
    if (!doc) return {};
    std::vector<std::string> lines{"/**"};
    for (std::string_view line : codegen::doc_comment_lines(*doc)) lines.push_back(" * " + codegen::comment_safe(line));
    lines.emplace_back(" */");
    return lines;
}

}  // namespace tolv::gen_effect::printer
