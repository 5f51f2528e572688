#include "schema/read_error.hpp"

#include <algorithm>

#include "base/utf8.hpp"
#include "schema/json_text.hpp"

namespace tolv::schema::detail {

const char* syntax_message(Syntax code) {
    switch (code) {
        case Syntax::EofWhileParsingList: return "EOF while parsing a list";
        case Syntax::EofWhileParsingObject: return "EOF while parsing an object";
        case Syntax::EofWhileParsingString: return "EOF while parsing a string";
        case Syntax::EofWhileParsingValue: return "EOF while parsing a value";
        case Syntax::ExpectedColon: return "expected `:`";
        case Syntax::ExpectedListCommaOrEnd: return "expected `,` or `]`";
        case Syntax::ExpectedObjectCommaOrEnd: return "expected `,` or `}`";
        case Syntax::ExpectedSomeIdent: return "expected ident";
        case Syntax::ExpectedSomeValue: return "expected value";
        case Syntax::ExpectedDoubleQuote: return "expected `\"`";
        case Syntax::InvalidEscape: return "invalid escape";
        case Syntax::InvalidNumber: return "invalid number";
        case Syntax::NumberOutOfRange: return "number out of range";
        case Syntax::InvalidUnicodeCodePoint: return "invalid unicode code point";
        case Syntax::ControlCharacterWhileParsingString:
            return "control character (\\u0000-\\u001F) found while parsing a string";
        case Syntax::KeyMustBeAString: return "key must be a string";
        case Syntax::LoneLeadingSurrogateInHexEscape: return "lone leading surrogate in hex escape";
        case Syntax::TrailingComma: return "trailing comma";
        case Syntax::TrailingCharacters: return "trailing characters";
        case Syntax::UnexpectedEndOfHexEscape: return "unexpected end of hex escape";
        case Syntax::RecursionLimitExceeded: return "recursion limit exceeded";
    }
    return "invalid JSON";
}

std::string positioned_message(std::string_view text, const ReadError& error) {
    const std::size_t offset = std::min(error.offset, text.size());
    const std::string_view before = text.substr(0, offset);
    const std::size_t last_newline = before.rfind('\n');
    const std::size_t line_start = last_newline == std::string_view::npos ? 0 : last_newline + 1;
    const auto line = 1 + std::count(before.begin(), before.begin() + static_cast<std::ptrdiff_t>(line_start), '\n');

    std::string out = error.message;
    out += " at line ";
    append_unsigned(out, static_cast<std::uint64_t>(line));
    out += " column ";
    append_unsigned(out, offset - line_start);
    return out;
}

std::string describe_unsigned(std::uint64_t value) {
    std::string out = "integer `";
    append_unsigned(out, value);
    out += '`';
    return out;
}

std::string describe_signed(std::int64_t value) {
    std::string out = "integer `";
    append_signed(out, value);
    out += '`';
    return out;
}

std::string describe_float(double value) {
    std::string out = "floating point `";
    append_double(out, value);
    out += '`';
    return out;
}

std::string describe_string(std::string_view value) {
    std::string out = "string \"";
    append_debug_escaped(out, value);
    out += '"';
    return out;
}

std::string with_expected(std::string message, std::string_view expected) {
    message += ", expected ";
    message.append(expected);
    return message;
}

std::string invalid_type(std::string_view unexpected, std::string_view expected) {
    return with_expected("invalid type: " + std::string(unexpected), expected);
}

std::string invalid_value(std::string_view unexpected, std::string_view expected) {
    return with_expected("invalid value: " + std::string(unexpected), expected);
}

std::string invalid_length(std::size_t length, std::string_view expected) {
    std::string message = "invalid length ";
    append_unsigned(message, length);
    return with_expected(std::move(message), expected);
}

}  // namespace tolv::schema::detail
