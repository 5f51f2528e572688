// The token level of the schema reader: whitespace, literals, strings and
// numbers over the document text, plus skipping a whole value without
// recursion. Every failure is recorded in error() and reported as false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "schema/read_error.hpp"

namespace tolv::schema::detail {

struct Number {
    enum class Form : std::uint8_t { Unsigned, Signed, Float };
    Form form = Form::Unsigned;
    std::uint64_t u = 0;
    std::int64_t i = 0;
    double d = 0;
};

class Lexer {
public:
    static constexpr int kEnd = -1;

    explicit Lexer(std::string_view text) : begin_(text.data()), cur_(text.data()), end_(text.data() + text.size()) {}

    // Skips spaces, tabs, line feeds and carriage returns; returns the next
    // byte (0..255) without taking it, or kEnd.
    int peek_past_whitespace() {
        while (cur_ != end_ && is_whitespace(*cur_)) ++cur_;
        return cur_ == end_ ? kEnd : static_cast<unsigned char>(*cur_);
    }
    void eat() { ++cur_; }
    bool at_end() const { return cur_ == end_; }

    // At 'n', 't' or 'f': the whole literal null, true or false.
    bool parse_literal();
    static bool starts_number(int c) { return c == '-' || (c >= '0' && c <= '9'); }
    // After the opening quote: the string up to the closing quote, which is
    // taken too. The view stays valid until the next string is parsed.
    bool parse_string(std::string_view& out);
    // At the number's first byte, '-' or a digit.
    bool parse_number(Number& out);
    // Skips one whole value of any depth (no nesting limit, no recursion).
    bool ignore_value();
    // Skips whitespace and takes the ':' between a key and its value.
    bool parse_colon();

    const char* position() const { return cur_; }

    // Error recording. Each returns false, so callers can `return fail...`.
    bool fail_here(Syntax code) { return fail_at(code, offset()); }
    bool fail_peek(Syntax code) { return fail_at(code, cur_ == end_ ? offset() : offset() + 1); }
    bool fail_here(std::string message) { return set_error(std::move(message), offset()); }
    bool fail_unpositioned(std::string message) { return set_error(std::move(message), ReadError::kUnpositioned); }
    // Gives an unpositioned error the current position.
    bool fix_position() {
        if (error_.offset == ReadError::kUnpositioned) error_.offset = offset();
        return false;
    }
    const ReadError& error() const { return error_; }

private:
    static bool is_whitespace(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }
    std::size_t offset() const { return static_cast<std::size_t>(cur_ - begin_); }
    bool fail_at(Syntax code, std::size_t at) { return set_error(syntax_message(code), at); }
    bool set_error(std::string message, std::size_t at) {
        error_.message = std::move(message);
        error_.offset = at;
        return false;
    }

    bool ignore_string();
    bool parse_escape();
    bool ignore_escape();
    bool decode_hex_escape(std::uint32_t& out);
    bool scan_number(bool& is_integer, bool skipping);

    const char* begin_;
    const char* cur_;
    const char* end_;
    std::string scratch_;
    std::vector<char> ignore_stack_;
    ReadError error_;
};

}  // namespace tolv::schema::detail
