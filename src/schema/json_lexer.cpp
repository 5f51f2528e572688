#include "schema/json_lexer.hpp"

#include "base/utf8.hpp"

#include <array>
#include <charconv>

namespace tolv::schema::detail {
namespace {

// Bytes that end a plain run inside a string: quote, backslash, controls
// and every non-ASCII byte (checked as UTF-8).
constexpr std::array<bool, 256> make_string_stops() {
    std::array<bool, 256> stops{};
    for (int c = 0; c < 0x20; ++c) stops[static_cast<std::size_t>(c)] = true;
    for (int c = 0x80; c < 0x100; ++c) stops[static_cast<std::size_t>(c)] = true;
    stops['"'] = true;
    stops['\\'] = true;
    return stops;
}
constexpr std::array<bool, 256> kStringStops = make_string_stops();

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void append_utf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Just past the digit at which a positive exponent exceeds the 32-bit
// signed range, or nullptr.
const char* positive_exponent_overflow(const char* number, const char* end) {
    const char* p = number;
    while (p != end && *p != 'e' && *p != 'E') ++p;
    if (p == end) return nullptr;
    ++p;
    if (p != end && *p == '-') return nullptr;
    if (p != end && *p == '+') ++p;
    constexpr std::int64_t kMax = 2147483647;
    std::int64_t exponent = 0;
    for (; p != end; ++p) {
        exponent = exponent * 10 + (*p - '0');
        if (exponent > kMax) return p + 1;
    }
    return nullptr;
}

// For a number with a non-zero digit (sign already taken): the count of
// integer digits plus the exponent, or, below 1, minus the zeros after the
// point plus the exponent. Positive means the value is at least 1.
long long decimal_magnitude(const char* digits, const char* end) {
    const char* p = digits;
    while (p != end && is_digit(*p)) ++p;
    long long magnitude = p - digits;
    if (*digits == '0') {  // "0.000ddd": count the zeros after the point
        magnitude = 0;
        for (const char* q = p + 1; q < end && *q == '0'; ++q) --magnitude;
    }
    while (p != end && *p != 'e' && *p != 'E') ++p;
    if (p == end) return magnitude;
    ++p;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    long long exponent = 0;
    for (; p != end; ++p) {
        if (exponent < 1'000'000'000) exponent = exponent * 10 + (*p - '0');  // saturates
    }
    return magnitude + (negative ? -exponent : exponent);
}

}  // namespace

bool Lexer::parse_literal() {
    const char first = *cur_++;
    const std::string_view rest = first == 'n' ? "ull" : first == 't' ? "rue" : "alse";
    for (const char expected : rest) {
        if (cur_ == end_) return fail_here(Syntax::EofWhileParsingValue);
        if (*cur_++ != expected) return fail_here(Syntax::ExpectedSomeIdent);
    }
    return true;
}

bool Lexer::parse_colon() {
    const int c = peek_past_whitespace();
    if (c == ':') {
        eat();
        return true;
    }
    return fail_peek(c == kEnd ? Syntax::EofWhileParsingObject : Syntax::ExpectedColon);
}

bool Lexer::parse_string(std::string_view& out) {
    const char* const start = cur_;
    scratch_.clear();
    bool escaped = false;
    bool valid_utf8 = true;
    while (true) {
        const char* run = cur_;
        while (cur_ != end_ && !kStringStops[static_cast<unsigned char>(*cur_)]) ++cur_;
        if (cur_ == end_) return fail_here(Syntax::EofWhileParsingString);
        const auto c = static_cast<unsigned char>(*cur_);
        if (c >= 0x80) {
            const std::size_t length =
                utf8_step(std::string_view(cur_, static_cast<std::size_t>(end_ - cur_)), 0).length;
            if (length == 0) {
                valid_utf8 = false;
                ++cur_;
            } else {
                cur_ += length;
            }
            if (escaped) scratch_.append(run, cur_);
            continue;
        }
        if (escaped) scratch_.append(run, cur_);
        if (c == '"') {
            ++cur_;
            // Invalid bytes are reported once the string is complete, so a
            // syntax error inside the string takes precedence.
            if (!valid_utf8) return fail_here(Syntax::InvalidUnicodeCodePoint);
            if (escaped) {
                out = scratch_;
            } else {
                out = std::string_view(start, static_cast<std::size_t>(cur_ - 1 - start));
            }
            return true;
        }
        if (c == '\\') {
            if (!escaped) {
                // Everything before the first escape was not copied yet.
                scratch_.assign(start, cur_);
                escaped = true;
            }
            ++cur_;
            if (!parse_escape()) return false;
            continue;
        }
        ++cur_;
        return fail_here(Syntax::ControlCharacterWhileParsingString);
    }
}

bool Lexer::decode_hex_escape(std::uint32_t& out) {
    if (end_ - cur_ < 4) {
        cur_ = end_;
        return fail_here(Syntax::EofWhileParsingString);
    }
    std::uint32_t n = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = hex_value(*cur_++);
        if (digit < 0) return fail_here(Syntax::InvalidEscape);
        n = (n << 4) | static_cast<std::uint32_t>(digit);
    }
    out = n;
    return true;
}

// After the backslash; appends the decoded character to scratch_.
bool Lexer::parse_escape() {
    if (cur_ == end_) return fail_here(Syntax::EofWhileParsingString);
    switch (*cur_++) {
        case '"': scratch_ += '"'; return true;
        case '\\': scratch_ += '\\'; return true;
        case '/': scratch_ += '/'; return true;
        case 'b': scratch_ += '\b'; return true;
        case 'f': scratch_ += '\f'; return true;
        case 'n': scratch_ += '\n'; return true;
        case 'r': scratch_ += '\r'; return true;
        case 't': scratch_ += '\t'; return true;
        case 'u': break;
        default: return fail_here(Syntax::InvalidEscape);
    }
    std::uint32_t n = 0;
    if (!decode_hex_escape(n)) return false;
    if (n >= 0xDC00 && n <= 0xDFFF) return fail_here(Syntax::LoneLeadingSurrogateInHexEscape);
    if (n < 0xD800 || n > 0xDBFF) {
        append_utf8(scratch_, n);
        return true;
    }
    // A leading surrogate must be followed by an escaped trailing one.
    for (const char expected : {'\\', 'u'}) {
        if (cur_ == end_) return fail_here(Syntax::EofWhileParsingString);
        if (*cur_++ != expected) return fail_here(Syntax::UnexpectedEndOfHexEscape);
    }
    std::uint32_t n2 = 0;
    if (!decode_hex_escape(n2)) return false;
    if (n2 < 0xDC00 || n2 > 0xDFFF) return fail_here(Syntax::LoneLeadingSurrogateInHexEscape);
    append_utf8(scratch_, (((n - 0xD800) << 10) | (n2 - 0xDC00)) + 0x10000);
    return true;
}

// A skipped string is checked for its syntax only: its value is never used.
bool Lexer::ignore_escape() {
    if (cur_ == end_) return fail_here(Syntax::EofWhileParsingString);
    switch (*cur_++) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't': return true;
        case 'u': {
            std::uint32_t unused = 0;
            return decode_hex_escape(unused);
        }
        default: return fail_here(Syntax::InvalidEscape);
    }
}

bool Lexer::ignore_string() {
    while (true) {
        while (cur_ != end_ &&
               (static_cast<unsigned char>(*cur_) >= 0x80 || !kStringStops[static_cast<unsigned char>(*cur_)]))
            ++cur_;
        if (cur_ == end_) return fail_here(Syntax::EofWhileParsingString);
        const char c = *cur_++;
        if (c == '"') return true;
        if (c == '\\') {
            if (!ignore_escape()) return false;
            continue;
        }
        return fail_here(Syntax::ControlCharacterWhileParsingString);
    }
}

// Checks the number's syntax; on success cur_ is just past it. A number
// that is only skipped reports its end of input as an invalid number.
bool Lexer::scan_number(bool& is_integer, bool skipping) {
    const Syntax at_end = skipping ? Syntax::InvalidNumber : Syntax::EofWhileParsingValue;
    if (cur_ == end_) return fail_here(at_end);
    const char first = *cur_++;
    if (first == '0') {
        if (cur_ != end_ && is_digit(*cur_)) return fail_peek(Syntax::InvalidNumber);
    } else if (first >= '1' && first <= '9') {
        while (cur_ != end_ && is_digit(*cur_)) ++cur_;
    } else {
        return fail_here(Syntax::InvalidNumber);
    }
    is_integer = true;
    if (cur_ != end_ && *cur_ == '.') {
        is_integer = false;
        ++cur_;
        const char* digits = cur_;
        while (cur_ != end_ && is_digit(*cur_)) ++cur_;
        if (cur_ == digits) return fail_peek(cur_ == end_ ? at_end : Syntax::InvalidNumber);
    }
    if (cur_ != end_ && (*cur_ == 'e' || *cur_ == 'E')) {
        is_integer = false;
        ++cur_;
        if (cur_ != end_ && (*cur_ == '+' || *cur_ == '-')) ++cur_;
        if (cur_ == end_) return fail_here(at_end);
        if (!is_digit(*cur_++)) return fail_here(Syntax::InvalidNumber);
        while (cur_ != end_ && is_digit(*cur_)) ++cur_;
    }
    return true;
}

bool Lexer::parse_number(Number& out) {
    const char* const start = cur_;
    const bool positive = *cur_ != '-';
    if (!positive) ++cur_;
    const char* digits = cur_;
    bool is_integer = false;
    if (!scan_number(is_integer, false)) return false;

    if (is_integer) {
        std::uint64_t value = 0;
        const auto [end, ec] = std::from_chars(digits, cur_, value);
        if (ec == std::errc() && end == cur_) {
            if (positive) {
                out.form = Number::Form::Unsigned;
                out.u = value;
                return true;
            }
            // -0 and magnitudes beyond the signed range become floats.
            if (value != 0 && value <= std::uint64_t{1} << 63) {
                out.form = Number::Form::Signed;
                out.i = static_cast<std::int64_t>(0 - value);
                return true;
            }
        }
    }

    // A float; also an integer too large for 64 bits.
    out.form = Number::Form::Float;
    bool all_zero = true;
    for (const char* p = digits; p != cur_ && *p != 'e' && *p != 'E'; ++p) {
        if (*p >= '1' && *p <= '9') {
            all_zero = false;
            break;
        }
    }
    if (all_zero) {
        out.d = positive ? 0.0 : -0.0;
        return true;
    }
    if (const char* overflow = positive_exponent_overflow(digits, cur_)) {
        // An exponent beyond 32 bits fails at the digit that overflows it.
        cur_ = overflow;
        return fail_here(Syntax::NumberOutOfRange);
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(start, cur_, value);
    if (ec == std::errc() && end == cur_) {
        out.d = value;
        return true;
    }
    // Out of range: too small reads as zero, too large fails.
    if (decimal_magnitude(digits, cur_) > 0) return fail_here(Syntax::NumberOutOfRange);
    out.d = positive ? 0.0 : -0.0;
    return true;
}

bool Lexer::ignore_value() {
    // Open containers, innermost last; '[' or '{'.
    ignore_stack_.clear();
    while (true) {
        const int c = peek_past_whitespace();
        bool opened = false;
        switch (c) {
            case kEnd: return fail_peek(Syntax::EofWhileParsingValue);
            case 'n':
            case 't':
            case 'f':
                if (!parse_literal()) return false;
                break;
            case '-': eat(); [[fallthrough]];
            case '0':
            case '1':
            case '2':
            case '3':
            case '4':
            case '5':
            case '6':
            case '7':
            case '8':
            case '9': {
                bool is_integer = false;
                if (!scan_number(is_integer, true)) return false;
                break;
            }
            case '"':
                eat();
                if (!ignore_string()) return false;
                break;
            case '[':
            case '{':
                eat();
                ignore_stack_.push_back(static_cast<char>(c));
                opened = true;
                break;
            default: return fail_peek(Syntax::ExpectedSomeValue);
        }

        // Close every container that ends here; stop at the next member.
        bool accept_comma = !opened;
        while (true) {
            if (ignore_stack_.empty()) return true;
            const char frame = ignore_stack_.back();
            const int next = peek_past_whitespace();
            if (next == kEnd) {
                return fail_peek(frame == '[' ? Syntax::EofWhileParsingList : Syntax::EofWhileParsingObject);
            }
            if (next == ',' && accept_comma) {
                eat();
                break;
            }
            if ((next == ']' && frame == '[') || (next == '}' && frame == '{')) {
                eat();
                ignore_stack_.pop_back();
                accept_comma = true;
                continue;
            }
            if (accept_comma) {
                return fail_peek(frame == '[' ? Syntax::ExpectedListCommaOrEnd : Syntax::ExpectedObjectCommaOrEnd);
            }
            break;
        }

        if (ignore_stack_.back() == '{') {
            const int key = peek_past_whitespace();
            if (key == kEnd) return fail_peek(Syntax::EofWhileParsingObject);
            if (key != '"') return fail_peek(Syntax::KeyMustBeAString);
            eat();
            if (!ignore_string()) return false;
            if (!parse_colon()) return false;
        }
    }
}

}  // namespace tolv::schema::detail
