// The line printer of api.ts: one output string, four spaces per level.
#pragma once

#include <iterator>
#include <string>
#include <string_view>
#include <utility>

#include <fmt/format.h>

namespace tolv::gen_ts {

class TsPrinter {
public:
    // Indented text and a line feed; an empty text gives a bare line feed.
    void line(std::string_view text);

    // Formats straight into the output, with no temporary string.
    template <class... Args>
    void linef(fmt::format_string<Args...> format, Args&&... args) {
        const std::size_t start = output_.size();
        write_indent();
        const std::size_t text_start = output_.size();
        fmt::format_to(std::back_inserter(output_), format, std::forward<Args>(args)...);
        if (output_.size() == text_start) output_.resize(start);
        output_ += '\n';
    }

    // A /** ... */ block: the text trimmed and split into " * " lines.
    void doc(std::string_view text);

    void indent() { ++indent_; }
    void dedent() {
        if (indent_ > 0) --indent_;
    }

    const std::string& output() const { return output_; }
    std::string take() && { return std::move(output_); }

private:
    void write_indent() { output_.append(static_cast<std::size_t>(indent_) * 4, ' '); }

    std::string output_;
    unsigned indent_ = 0;
};

}  // namespace tolv::gen_ts
