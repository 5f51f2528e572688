#include "codegen/printer.hpp"

#include <algorithm>
#include <stdexcept>

#include "base/utf8.hpp"

namespace tolv::codegen {

namespace {

bool is_blank(std::string_view line) { return line.find_first_not_of(' ') == std::string_view::npos; }

bool is_name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The lines of `text` in order, the last one included even when empty.
template <class Visit>
void for_each_line(std::string_view text, Visit&& visit) {
    while (true) {
        const std::size_t end = text.find('\n');
        visit(text.substr(0, end));
        if (end == std::string_view::npos) return;
        text.remove_prefix(end + 1);
    }
}

}  // namespace

Printer::Printer(std::size_t step, std::size_t expected_size) : step_(step) { out_.reserve(expected_size); }

void Printer::line(std::string_view text) {
    if (!text.empty()) {
        write_indent();
        out_ += text;
    }
    out_ += '\n';
}

void Printer::emit(std::span<const Var> vars, std::string_view text) {
    if (!text.starts_with('\n')) {
        for_each_line(text, [&](std::string_view line) { emit_line(vars, line); });
        return;
    }
    text.remove_prefix(1);
    if (const std::size_t last = text.rfind('\n'); last != std::string_view::npos && is_blank(text.substr(last + 1))) {
        text = text.substr(0, last);
    }
    std::size_t shared = std::string_view::npos;
    for_each_line(text, [&](std::string_view line) {
        if (!is_blank(line)) shared = std::min(shared, line.find_first_not_of(' '));
    });
    for_each_line(text, [&](std::string_view line) {
        emit_line(vars, is_blank(line) ? std::string_view() : line.substr(shared));
    });
}

void Printer::emit_line(std::span<const Var> vars, std::string_view line) {
    const std::size_t start = out_.size();
    write_indent();
    const std::size_t text_start = out_.size();
    while (!line.empty()) {
        const std::size_t dollar = line.find('$');
        out_ += line.substr(0, dollar);
        if (dollar == std::string_view::npos) break;
        line.remove_prefix(dollar);
        std::size_t end = 1;
        while (end < line.size() && is_name_char(line[end])) ++end;
        if (end == 1 || end == line.size() || line[end] != '$') {
            out_ += '$';
            line.remove_prefix(1);
            continue;
        }
        const std::string_view name = line.substr(1, end - 1);
        const auto var = std::ranges::find(vars, name, &Var::name);
        // Templates are fixed text, so a missing name is a fault of the code.
        if (var == vars.end()) throw std::logic_error("template variable $" + std::string(name) + "$ has no value");
        out_ += var->value;
        line.remove_prefix(end + 1);
    }
    end_line(start, text_start);
}

void Printer::doc(std::string_view text) {
    line("/**");
    if (const std::string_view body = trim_unicode_whitespace(text); !body.empty()) {
        for_each_line(body, [&](std::string_view doc_line) {
            doc_line = trim_unicode_whitespace(doc_line);
            write_indent();
            out_ += " * ";
            for (std::size_t at; (at = doc_line.find("*/")) != std::string_view::npos; doc_line.remove_prefix(at + 1)) {
                out_ += doc_line.substr(0, at + 1);
                out_ += '\\';
            }
            out_ += doc_line;
            out_ += '\n';
        });
    }
    line(" */");
}

}  // namespace tolv::codegen
