#include "schema/json_text.hpp"

#include <array>
#include <charconv>
#include <cmath>

#include "schema/json_writer.hpp"

namespace tolv::schema::detail {
namespace {

// 0: copy as is; otherwise the letter after the backslash ('u' for \u00XX).
constexpr std::array<char, 256> make_escape_table() {
    std::array<char, 256> table{};
    for (int c = 0; c < 0x20; ++c) table[static_cast<std::size_t>(c)] = 'u';
    table['\b'] = 'b';
    table['\t'] = 't';
    table['\n'] = 'n';
    table['\f'] = 'f';
    table['\r'] = 'r';
    table['"'] = '"';
    table['\\'] = '\\';
    return table;
}
constexpr std::array<char, 256> kEscape = make_escape_table();

}  // namespace

void append_quoted(std::string& out, std::string_view s) {
    out.push_back('"');
    std::size_t run_start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char escape = kEscape[static_cast<unsigned char>(s[i])];
        if (escape == 0) continue;
        out.append(s.data() + run_start, i - run_start);
        run_start = i + 1;
        if (escape == 'u') {
            static constexpr char kHex[] = "0123456789abcdef";
            const auto c = static_cast<unsigned char>(s[i]);
            const char text[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xF]};
            out.append(text, 6);
        } else {
            const char text[2] = {'\\', escape};
            out.append(text, 2);
        }
    }
    out.append(s.data() + run_start, s.size() - run_start);
    out.push_back('"');
}

void append_unsigned(std::string& out, std::uint64_t value) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, static_cast<std::size_t>(end - buffer));
}

void append_signed(std::string& out, std::int64_t value) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, static_cast<std::size_t>(end - buffer));
}

void append_double(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    if (value == 0.0) {
        out += std::signbit(value) ? "-0.0" : "0.0";
        return;
    }
    // The shortest round-trip digits come from to_chars in scientific form
    // ("-1.2345e+06"); they are then laid out like the common Ryu printer.
    char sci[32];
    const auto sci_end = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific).ptr;
    const char* p = sci;
    if (*p == '-') {
        out.push_back('-');
        ++p;
    }
    char digits[20];
    int length = 0;
    for (; *p != 'e'; ++p) {
        if (*p != '.') digits[length++] = *p;
    }
    int exponent = 0;
    std::from_chars(p + (p[1] == '+' ? 2 : 1), sci_end, exponent);

    const int kk = exponent + 1;  // 10^(kk-1) <= |value| < 10^kk
    const auto len = static_cast<std::size_t>(length);
    if (kk >= length && kk <= 16) {  // 1234e7 -> 12340000000.0
        out.append(digits, len);
        out.append(static_cast<std::size_t>(kk - length), '0');
        out += ".0";
    } else if (kk > 0 && kk <= 16) {  // 1234e-2 -> 12.34
        out.append(digits, static_cast<std::size_t>(kk));
        out.push_back('.');
        out.append(digits + kk, static_cast<std::size_t>(length - kk));
    } else if (kk > -5 && kk <= 0) {  // 1234e-6 -> 0.001234
        out += "0.";
        out.append(static_cast<std::size_t>(-kk), '0');
        out.append(digits, len);
    } else {  // 1e30, 1.234e33, 1.5e-7
        out.push_back(digits[0]);
        if (length > 1) {
            out.push_back('.');
            out.append(digits + 1, len - 1);
        }
        out.push_back('e');
        append_signed(out, kk - 1);
    }
}

void append_number(std::string& out, const JsonValue& number) {
    if (const auto* u = std::get_if<std::uint64_t>(&number.v)) {
        append_unsigned(out, *u);
    } else if (const auto* i = std::get_if<std::int64_t>(&number.v)) {
        append_signed(out, *i);
    } else if (const auto* d = std::get_if<double>(&number.v)) {
        append_double(out, *d);
    } else {
        out += write_json_value_compact(number);
    }
}

}  // namespace tolv::schema::detail

namespace tolv::schema {

std::string format_json_number(const JsonValue& number) {
    std::string out;
    detail::append_number(out, number);
    return out;
}

std::string quote_json_string(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 2);
    detail::append_quoted(out, s);
    return out;
}

}  // namespace tolv::schema
