#include "gen_ts/ts_printer.hpp"

#include "codegen/doc_comment.hpp"

namespace tolv::gen_ts {

void TsPrinter::line(std::string_view text) {
    if (!text.empty()) {
        write_indent();
        output_ += text;
    }
    output_ += '\n';
}

void TsPrinter::doc(std::string_view text) {
    write_indent();
    output_ += "/**\n";
    for (std::string_view line : codegen::doc_comment_lines(text)) linef(" * {}", codegen::comment_safe(line));
    write_indent();
    output_ += " */\n";
}

}  // namespace tolv::gen_ts
