// Errors of the schema reader: the fixed syntax messages, the descriptions
// of an unexpected value, and the " at line {} column {}" suffix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tolv::schema::detail {

enum class Syntax : std::uint8_t {
    EofWhileParsingList,
    EofWhileParsingObject,
    EofWhileParsingString,
    EofWhileParsingValue,
    ExpectedColon,
    ExpectedListCommaOrEnd,
    ExpectedObjectCommaOrEnd,
    ExpectedSomeIdent,
    ExpectedSomeValue,
    ExpectedDoubleQuote,  // only for quoted non-string keys, which no schema map has
    InvalidEscape,
    InvalidNumber,
    NumberOutOfRange,
    InvalidUnicodeCodePoint,
    ControlCharacterWhileParsingString,
    KeyMustBeAString,
    LoneLeadingSurrogateInHexEscape,
    TrailingComma,
    TrailingCharacters,
    UnexpectedEndOfHexEscape,
    RecursionLimitExceeded,
};

const char* syntax_message(Syntax code);

// The first error of a read. A record-level error (missing field, ...) is
// made before its position is known; the record frame positions it later.
struct ReadError {
    static constexpr std::size_t kUnpositioned = static_cast<std::size_t>(-1);
    std::string message;
    std::size_t offset = kUnpositioned;  // bytes read when the error was detected
};

// "{message} at line {} column {}": line from 1, column = bytes of that line
// up to offset.
std::string positioned_message(std::string_view text, const ReadError& error);

// Descriptions of an unexpected value, as used in "invalid type: {}, expected {}".
std::string describe_unsigned(std::uint64_t value);   // integer `5`
std::string describe_signed(std::int64_t value);      // integer `-5`
std::string describe_float(double value);             // floating point `1.5`
std::string describe_string(std::string_view value);  // string "a\nb"

std::string invalid_type(std::string_view unexpected, std::string_view expected);
std::string invalid_value(std::string_view unexpected, std::string_view expected);
std::string invalid_length(std::size_t length, std::string_view expected);
// "{message}, expected {expected}".
std::string with_expected(std::string message, std::string_view expected);

}  // namespace tolv::schema::detail
