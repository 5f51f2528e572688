#include "schema/value_reader.hpp"

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

std::string backticked(std::string_view prefix, std::string_view name) {
    std::string out(prefix);
    out += '`';
    out.append(name);
    out += '`';
    return out;
}

}  // namespace

std::string duplicate_field(std::string_view key) { return backticked("duplicate field ", key); }
std::string missing_field(std::string_view key) { return backticked("missing field ", key); }

std::string invalid_length(std::size_t position, std::string_view expected) {
    std::string out = "invalid length ";
    append_unsigned(out, position);
    out += ", expected ";
    out.append(expected);
    return out;
}

bool Reader::enter() {
    if (--remaining_depth_ == 0) return lex_.fail_peek(Syntax::RecursionLimitExceeded);
    return true;
}

int Reader::next_element(bool& first) {
    int c = lex_.peek_past_whitespace();
    if (c == ']') return 0;
    if (c == ',' && !first) {
        lex_.eat();
        c = lex_.peek_past_whitespace();
    } else if (c != Lexer::kEnd) {
        if (!first) return lex_.fail_peek(Syntax::ExpectedListCommaOrEnd), -1;
        first = false;
    } else {
        return lex_.fail_peek(Syntax::EofWhileParsingList), -1;
    }
    if (c == ']') return lex_.fail_peek(Syntax::TrailingComma), -1;
    if (c == Lexer::kEnd) return lex_.fail_peek(Syntax::EofWhileParsingValue), -1;
    return 1;
}

int Reader::next_key(bool& first, std::string_view& key) {
    int c = lex_.peek_past_whitespace();
    if (c == '}') return 0;
    if (c == ',' && !first) {
        lex_.eat();
        c = lex_.peek_past_whitespace();
    } else if (c != Lexer::kEnd) {
        if (!first) return lex_.fail_peek(Syntax::ExpectedObjectCommaOrEnd), -1;
        first = false;
    } else {
        return lex_.fail_peek(Syntax::EofWhileParsingObject), -1;
    }
    if (c == '"') {
        lex_.eat();
        return lex_.parse_string(key) ? 1 : -1;
    }
    if (c == '}') return lex_.fail_peek(Syntax::TrailingComma), -1;
    if (c == Lexer::kEnd) return lex_.fail_peek(Syntax::EofWhileParsingValue), -1;
    return lex_.fail_peek(Syntax::KeyMustBeAString), -1;
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

void Reader::settle_list() {
    const int c = lex_.peek_past_whitespace();
    if (c == ']') {
        lex_.eat();
    } else if (c == ',') {
        lex_.eat();
        lex_.peek_past_whitespace();
    }
}

void Reader::settle_object() {
    if (lex_.peek_past_whitespace() == '}') lex_.eat();
}

bool Reader::finish() {
    if (lex_.peek_past_whitespace() != Lexer::kEnd) return lex_.fail_peek(Syntax::TrailingCharacters);
    return true;
}

bool Reader::invalid_type_here(std::string_view expected) {
    std::string found;
    const int c = lex_.peek_past_whitespace();
    const char* start = lex_.position();
    switch (c) {
        case 'n':
            lex_.eat();
            if (!lex_.parse_ident("ull")) return false;
            found = "null";
            break;
        case 't':
            lex_.eat();
            if (!lex_.parse_ident("rue")) return false;
            found = "boolean `true`";
            break;
        case 'f':
            lex_.eat();
            if (!lex_.parse_ident("alse")) return false;
            found = "boolean `false`";
            break;
        case '-':
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
            const bool positive = *start != '-';
            if (!positive) lex_.eat();
            Number n;
            if (!lex_.parse_number(start, positive, n)) return false;
            found = n.form == Number::Form::Unsigned ? describe_unsigned(n.u)
                    : n.form == Number::Form::Signed ? describe_signed(n.i)
                                                     : describe_float(n.d);
            break;
        }
        case '"': {
            lex_.eat();
            std::string_view s;
            if (!lex_.parse_string(s)) return false;
            found = describe_string(s);
            break;
        }
        case '[': found = "sequence"; break;
        case '{': found = "map"; break;
        default: return lex_.fail_peek(Syntax::ExpectedSomeValue);
    }
    return lex_.fail_here(invalid_type(found, expected));
}

bool Reader::read_string(std::string& out) {
    const int c = lex_.peek_past_whitespace();
    if (c == Lexer::kEnd) return lex_.fail_peek(Syntax::EofWhileParsingValue);
    if (c != '"') return invalid_type_here("a string");
    lex_.eat();
    std::string_view s;
    if (!lex_.parse_string(s)) return false;
    out.assign(s);
    return true;
}

bool Reader::read_bool(bool& out) {
    switch (lex_.peek_past_whitespace()) {
        case Lexer::kEnd: return lex_.fail_peek(Syntax::EofWhileParsingValue);
        case 't':
            lex_.eat();
            out = true;
            return lex_.parse_ident("rue");
        case 'f':
            lex_.eat();
            out = false;
            return lex_.parse_ident("alse");
        default: return invalid_type_here("a boolean");
    }
}

bool Reader::read_optional_string(std::optional<std::string>& out) {
    return read_optional(out, [](Reader& r, std::string& s) { return r.read_string(s); });
}

bool Reader::read_optional_value(std::optional<JsonValue>& out) {
    return read_optional(out, [](Reader& r, JsonValue& v) { return r.read_value(v); });
}

bool Reader::read_optional_u64(std::optional<std::uint64_t>& out) {
    const int c = lex_.peek_past_whitespace();
    if (c == 'n') {
        lex_.eat();
        out.reset();
        return lex_.parse_ident("ull");
    }
    if (c == Lexer::kEnd) return lex_.fail_peek(Syntax::EofWhileParsingValue);
    if (c != '-' && (c < '0' || c > '9')) return invalid_type_here("u64");
    const char* start = lex_.position();
    if (c == '-') lex_.eat();
    Number n;
    if (!lex_.parse_number(start, c != '-', n)) return false;
    switch (n.form) {
        case Number::Form::Unsigned: out = n.u; return true;
        // A negative integer is a wrong value of the right type.
        case Number::Form::Signed: return lex_.fail_here(invalid_value(describe_signed(n.i), "u64"));
        case Number::Form::Float: return lex_.fail_here(invalid_type(describe_float(n.d), "u64"));
    }
    return false;
}

bool Reader::read_number_value(bool positive, JsonValue& out) {
    const char* start = lex_.position();
    if (!positive) lex_.eat();
    Number n;
    if (!lex_.parse_number(start, positive, n)) return false;
    switch (n.form) {
        case Number::Form::Unsigned: out.v = n.u; break;
        case Number::Form::Signed: out.v = n.i; break;
        case Number::Form::Float: out.v = n.d; break;
    }
    return true;
}

bool Reader::read_value(JsonValue& out) {
    switch (lex_.peek_past_whitespace()) {
        case Lexer::kEnd: return lex_.fail_peek(Syntax::EofWhileParsingValue);
        case 'n':
            lex_.eat();
            out.v = nullptr;
            return lex_.parse_ident("ull");
        case 't':
            lex_.eat();
            out.v = true;
            return lex_.parse_ident("rue");
        case 'f':
            lex_.eat();
            out.v = false;
            return lex_.parse_ident("alse");
        case '-': return read_number_value(false, out);
        case '0':
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7':
        case '8':
        case '9': return read_number_value(true, out);
        case '"': {
            lex_.eat();
            std::string_view s;
            if (!lex_.parse_string(s)) return false;
            out.v.emplace<std::string>(s);
            return true;
        }
        case '[': {
            if (!enter()) return false;
            lex_.eat();
            auto& elements = out.v.emplace<JsonValue::Array>();
            bool first = true;
            while (true) {
                const int next = next_element(first);
                if (next < 0) return false;
                if (next == 0) break;
                if (!read_value(elements.emplace_back())) return false;
            }
            leave();
            return end_list();
        }
        case '{': {
            if (!enter()) return false;
            lex_.eat();
            auto& members = out.v.emplace<JsonValue::Object>();
            bool first = true;
            while (true) {
                std::string_view key;
                const int next = next_key(first, key);
                if (next < 0) return false;
                if (next == 0) break;
                // A repeated key: the later member replaces the earlier one.
                JsonValue& slot = members[std::string(key)];
                if (!lex_.parse_colon() || !read_value(slot)) return false;
            }
            leave();
            return end_object();
        }
        default: return lex_.fail_peek(Syntax::ExpectedSomeValue);
    }
}

bool Reader::read_variant_name(std::span<const std::string_view> names, std::size_t& index) {
    const int c = lex_.peek_past_whitespace();
    if (c == Lexer::kEnd) return lex_.fail_peek(Syntax::EofWhileParsingValue);
    if (c != '"') return invalid_type_here("variant identifier");
    lex_.eat();
    std::string_view name;
    if (!lex_.parse_string(name)) return false;
    for (index = 0; index < names.size(); ++index) {
        if (names[index] == name) return true;
    }
    std::string message = backticked("unknown variant ", name);
    message += ", expected ";
    message += one_of(names);
    return lex_.fail_here(std::move(message));
}

bool Reader::read_unit() {
    const int c = lex_.peek_past_whitespace();
    if (c == Lexer::kEnd) return lex_.fail_peek(Syntax::EofWhileParsingValue);
    if (c != 'n') return invalid_type_here("unit");
    lex_.eat();
    return lex_.parse_ident("ull");
}

bool Reader::read_enum(std::span<const std::string_view> names, std::size_t& index) {
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
