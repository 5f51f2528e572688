#include "schema/value_reader.hpp"

#include "base/utf8.hpp"
#include "schema/json_text.hpp"

namespace tolv::schema::detail {
namespace {

// "`a`", "`a` or `b`", "one of `a`, `b`, `c`".
std::string one_of(std::span<const std::string_view> names) {
    std::string out;
    if (names.size() > 2) out = "one of ";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i != 0) out += names.size() == 2 ? " or " : ", ";
        out += '`';
        out.append(names[i]);
        out += '`';
    }
    return out;
}

// "prefix `name`", the name escaped: an unknown variant's comes from the
// schema and must not reach the terminal as control sequences.
std::string backticked(std::string_view prefix, std::string_view name) {
    std::string out(prefix);
    out += '`';
    append_debug_escaped(out, name);
    out += '`';
    return out;
}

// How an unexpected scalar is named in "invalid type: {}, expected {}".
std::string describe_scalar(const JsonValue& value) {
    if (value.is_null()) return "null";
    if (const auto* b = std::get_if<bool>(&value.v)) return *b ? "boolean `true`" : "boolean `false`";
    if (const auto* u = std::get_if<std::uint64_t>(&value.v)) return describe_unsigned(*u);
    if (const auto* i = std::get_if<std::int64_t>(&value.v)) return describe_signed(*i);
    if (const auto* d = std::get_if<double>(&value.v)) return describe_float(*d);
    return describe_string(std::get<std::string>(value.v));
}

bool read_element(Reader& r, JsonValue& element) { return r.read_value(element); }

}  // namespace

std::string duplicate_field(std::string_view key) { return backticked("duplicate field ", key); }
std::string missing_field(std::string_view key) { return backticked("missing field ", key); }

bool Reader::enter() {
    if (--remaining_depth_ == 0) return lex_.fail_peek(Syntax::RecursionLimitExceeded);
    return true;
}

template <char Close>
int Reader::next_member(bool& first) {
    constexpr bool list = Close == ']';
    int c = lex_.peek_past_whitespace();
    if (c == Close) return 0;
    if (c == ',' && !first) {
        lex_.eat();
        c = lex_.peek_past_whitespace();
    } else if (c != Lexer::kEnd) {
        if (!first) return lex_.fail_peek(list ? Syntax::ExpectedListCommaOrEnd : Syntax::ExpectedObjectCommaOrEnd), -1;
        first = false;
    } else {
        return lex_.fail_peek(list ? Syntax::EofWhileParsingList : Syntax::EofWhileParsingObject), -1;
    }
    if (c == Close) return lex_.fail_peek(Syntax::TrailingComma), -1;
    if (c == Lexer::kEnd) return lex_.fail_peek(Syntax::EofWhileParsingValue), -1;
    return 1;
}

int Reader::next_element(bool& first) { return next_member<']'>(first); }

int Reader::next_key(bool& first, std::string_view& key) {
    const int next = next_member<'}'>(first);
    if (next <= 0) return next;
    if (lex_.peek_past_whitespace() != '"') return lex_.fail_peek(Syntax::KeyMustBeAString), -1;
    lex_.eat();
    return lex_.parse_string(key) ? 1 : -1;
}

bool Reader::end_list() {
    const int c = lex_.peek_past_whitespace();
    if (c == ']') {
        lex_.eat();
        return true;
    }
    if (c == ',') {
        lex_.eat();
        return lex_.fail_peek(lex_.peek_past_whitespace() == ']' ? Syntax::TrailingComma : Syntax::TrailingCharacters);
    }
    return lex_.fail_peek(c == Lexer::kEnd ? Syntax::EofWhileParsingList : Syntax::TrailingCharacters);
}

bool Reader::end_object() {
    const int c = lex_.peek_past_whitespace();
    if (c == '}') {
        lex_.eat();
        return true;
    }
    if (c == ',') return lex_.fail_peek(Syntax::TrailingComma);
    return lex_.fail_peek(c == Lexer::kEnd ? Syntax::EofWhileParsingObject : Syntax::TrailingCharacters);
}

void Reader::settle(bool object) {
    const int c = lex_.peek_past_whitespace();
    if (c == (object ? '}' : ']')) {
        lex_.eat();
    } else if (c == ',' && !object) {
        lex_.eat();
        lex_.peek_past_whitespace();
    }
}

bool Reader::finish() {
    if (lex_.peek_past_whitespace() != Lexer::kEnd) return lex_.fail_peek(Syntax::TrailingCharacters);
    return true;
}

bool Reader::value_starts(char open, std::string_view expected) {
    const int c = lex_.peek_past_whitespace();
    if (c == Lexer::kEnd) return lex_.fail_peek(Syntax::EofWhileParsingValue);
    if (c != open) return invalid_type_here(expected);
    return true;
}

// Never at the end of input: every caller has failed on that already.
bool Reader::invalid_type_here(std::string_view expected) {
    std::string found;
    switch (lex_.peek_past_whitespace()) {
        case '[': found = "sequence"; break;
        case '{': found = "map"; break;
        default: {
            JsonValue scalar;
            if (!read_value(scalar)) return false;
            found = describe_scalar(scalar);
        }
    }
    return lex_.fail_here(invalid_type(found, expected));
}

bool Reader::read_string(std::string& out) {
    if (!value_starts('"', "a string")) return false;
    lex_.eat();
    std::string_view s;
    if (!lex_.parse_string(s)) return false;
    out.assign(s);
    return true;
}

bool Reader::read_bool(bool& out) {
    const int c = lex_.peek_past_whitespace();
    if (c == Lexer::kEnd) return lex_.fail_peek(Syntax::EofWhileParsingValue);
    if (c != 't' && c != 'f') return invalid_type_here("a boolean");
    out = c == 't';
    return lex_.parse_literal();
}

bool Reader::read_optional_string(std::optional<std::string>& out) {
    return read_optional(out, [](Reader& r, std::string& s) { return r.read_string(s); });
}

bool Reader::read_optional_value(std::optional<JsonValue>& out) { return read_optional(out, read_element); }

bool Reader::read_optional_u64(std::optional<std::uint64_t>& out) {
    return read_optional(out, [](Reader& r, std::uint64_t& n) { return r.read_u64(n); });
}

bool Reader::read_u64(std::uint64_t& out) {
    const int c = lex_.peek_past_whitespace();
    if (c == Lexer::kEnd) return lex_.fail_peek(Syntax::EofWhileParsingValue);
    if (!Lexer::starts_number(c)) return invalid_type_here("u64");
    Number n;
    if (!lex_.parse_number(n)) return false;
    switch (n.form) {
        case Number::Form::Unsigned: out = n.u; return true;
        // A negative integer is a wrong value of the right type.
        case Number::Form::Signed: return lex_.fail_here(invalid_value(describe_signed(n.i), "u64"));
        case Number::Form::Float: return lex_.fail_here(invalid_type(describe_float(n.d), "u64"));
    }
    return false;
}

bool Reader::read_value(JsonValue& out) {
    const int c = lex_.peek_past_whitespace();
    switch (c) {
        case Lexer::kEnd: return lex_.fail_peek(Syntax::EofWhileParsingValue);
        case 'n': out.v = nullptr; return lex_.parse_literal();
        case 't': out.v = true; return lex_.parse_literal();
        case 'f': out.v = false; return lex_.parse_literal();
        case '"': return read_string(out.v.emplace<std::string>());
        case '[': return read_list(out.v.emplace<JsonValue::Array>(), read_element);
        case '{': return read_map(out.v.emplace<JsonValue::Object>(), read_element);
        default: break;
    }
    if (!Lexer::starts_number(c)) return lex_.fail_peek(Syntax::ExpectedSomeValue);
    Number n;
    if (!lex_.parse_number(n)) return false;
    switch (n.form) {
        case Number::Form::Unsigned: out.v = n.u; break;
        case Number::Form::Signed: out.v = n.i; break;
        case Number::Form::Float: out.v = n.d; break;
    }
    return true;
}

bool Reader::read_variant_name(std::span<const std::string_view> names, std::size_t& index) {
    if (!value_starts('"', "variant identifier")) return false;
    lex_.eat();
    std::string_view name;
    if (!lex_.parse_string(name)) return false;
    for (index = 0; index < names.size(); ++index) {
        if (names[index] == name) return true;
    }
    return lex_.fail_here(with_expected(backticked("unknown variant ", name), one_of(names)));
}

bool Reader::read_unit() { return value_starts('n', "unit") && lex_.parse_literal(); }

bool Reader::read_enum_index(std::span<const std::string_view> names, std::size_t& index) {
    const int c = lex_.peek_past_whitespace();
    if (c == '"') return read_variant_name(names, index);
    if (c == Lexer::kEnd) return lex_.fail_peek(Syntax::EofWhileParsingValue);
    if (c != '{') return lex_.fail_peek(Syntax::ExpectedSomeValue);
    if (!enter()) return false;
    lex_.eat();
    if (!read_variant_name(names, index) || !lex_.parse_colon() || !read_unit()) return false;
    leave();
    // Only the one member: anything but the closing brace is an error here.
    const int close = lex_.peek_past_whitespace();
    if (close == '}') {
        lex_.eat();
        return true;
    }
    return lex_.fail_here(close == Lexer::kEnd ? Syntax::EofWhileParsingObject : Syntax::ExpectedSomeValue);
}

}  // namespace tolv::schema::detail
