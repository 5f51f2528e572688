#include "gen_ts/ts_printer.hpp"

#include "gen_ts/text.hpp"

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
    std::string_view rest = trim_white_space(text);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view piece = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!piece.empty() && piece.back() == '\r' && end != std::string_view::npos) piece.remove_suffix(1);
        linef(" * {}", trim_white_space(piece));
    }
    write_indent();
    output_ += " */\n";
}

}  // namespace tolv::gen_ts
