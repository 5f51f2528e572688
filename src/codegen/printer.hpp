// The line printer of both generators: one output string, an indentation
// level, and templates whose "$name$" placeholders are filled by name, so a
// block of generated code is written as the code it produces.
#pragma once

#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace tolv::codegen {

// The items (each projected to text) separated by `separator`.
template <class Range, class Projection = std::identity>
std::string join(const Range& items, std::string_view separator, Projection project = {}) {
    std::string out;
    for (bool first = true; const auto& item : items) {
        if (!first) out += separator;
        first = false;
        out += std::invoke(project, item);
    }
    return out;
}

// A "$name$" placeholder of a template and the text that replaces it.
struct Var {
    std::string_view name;
    std::string_view value;
};

class Printer {
public:
    // `step`: spaces per indentation level. `expected_size`: bytes reserved
    // up front, so a large module is not copied while it grows.
    explicit Printer(std::size_t step, std::size_t expected_size = 0);

    // The text indented to the current level and a line feed; an empty text
    // gives a bare line feed.
    void line(std::string_view text);

    // Every line of `text` by the rule of line, each "$name$" (letters,
    // digits and underscores between two "$") replaced by the value of that
    // var; values are written as they are, never scanned again. Any other "$"
    // is ordinary text. A name without a var is a fault of the calling code
    // and throws std::logic_error. A template that starts with a line feed is
    // a block written as a raw string: the first line feed, a last line of
    // spaces, and the indentation that all its non-blank lines share are
    // dropped.
    void emit(std::span<const Var> vars, std::string_view text);
    void emit(std::initializer_list<Var> vars, std::string_view text) {
        emit(std::span<const Var>(vars.begin(), vars.size()), text);
    }

    // A /** ... */ comment: the text trimmed of Unicode white space, one
    // " * " line per line of it (each trimmed again), and "*/" inside the
    // text written "*\/" so it cannot end the comment early.
    void doc(std::string_view text);

    void indent() { ++level_; }
    void dedent() {
        if (level_ > 0) --level_;
    }

    const std::string& output() const { return out_; }
    std::string take() && { return std::move(out_); }

private:
    void write_indent() { out_.append(level_ * step_, ' '); }
    // Drops the indentation of a line that came out empty, then ends it.
    void end_line(std::size_t start, std::size_t text_start) {
        if (out_.size() == text_start) out_.resize(start);
        out_ += '\n';
    }
    void emit_line(std::span<const Var> vars, std::string_view line);

    std::string out_;
    std::size_t step_;
    std::size_t level_ = 0;
};

}  // namespace tolv::codegen
