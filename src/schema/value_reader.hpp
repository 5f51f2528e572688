// The value level of the schema reader: typed values (strings, booleans,
// lists, maps, enumerations, optional values, JSON values) and the frame of
// a record in its object or array form, driven by a table of fields.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "schema/json_lexer.hpp"
#include "schema/json_value.hpp"

namespace tolv::schema::detail {

class Reader;

// One field of a record, in declaration order.
template <class Record>
struct FieldSpec {
    std::string_view key;
    bool required;        // object form: a missing key fails (otherwise it keeps its default)
    bool array_optional;  // array form: may be left out at the end
    bool (*read)(Reader&, Record&);
};

template <class Record>
struct RecordSpec {
    std::string_view expecting;        // "struct ModelDef"
    std::string_view array_expecting;  // "struct ModelDef with 3 elements"
    std::span<const FieldSpec<Record>> fields;
};

class Reader {
public:
    explicit Reader(std::string_view text) : lex_(text) {}

    bool read_string(std::string& out);
    bool read_bool(bool& out);
    bool read_optional_string(std::optional<std::string>& out);
    bool read_value(JsonValue& out);
    // null reads as absent.
    bool read_optional_value(std::optional<JsonValue>& out);
    bool read_optional_u64(std::optional<std::uint64_t>& out);
    // A variant name as a string, or an object with that name as its only
    // key and null as its value. names lists the variants in declaration order.
    template <class Enum>
    bool read_enum(std::span<const std::string_view> names, Enum& out);

    // null reads as absent; any other value by read_inner.
    template <class T, class ReadInner>
    bool read_optional(std::optional<T>& out, ReadInner&& read_inner);
    template <class Element, class ReadElement>
    bool read_list(std::vector<Element>& out, ReadElement&& read_element);
    // A JSON object; a repeated key keeps only the later value.
    template <class Record, class ReadRecord>
    bool read_map(std::map<std::string, Record>& out, ReadRecord&& read_record_fn);
    template <class Record>
    bool read_record(const RecordSpec<Record>& spec, Record& out);

    // Only whitespace may follow the document.
    bool finish();
    const ReadError& error() const { return lex_.error(); }

private:
    // Containers: entering one counts toward the nesting limit.
    bool enter();
    void leave() { ++remaining_depth_; }
    // 1: an element or key follows (key set for objects), 0: the container ends, -1: error.
    int next_element(bool& first);
    int next_key(bool& first, std::string_view& key);
    // The members of an object whose '{' was taken, up to its '}':
    // read_member(key) takes each colon and value.
    template <class ReadMember>
    bool read_members(ReadMember&& read_member);
    // Takes the ',' before a member of a list (Close ']') or an object (Close '}').
    template <char Close>
    int next_member(bool& first);
    bool end_list();
    bool end_object();
    // After a failed record body: what end_object()/end_list() would take,
    // so a record-level error is positioned where the frame stopped.
    void settle(bool object);
    // True when a value follows and starts with `open`; otherwise fails, as
    // invalid_type_here(expected) where there is a value.
    bool value_starts(char open, std::string_view expected);
    // Reads the value found where `expected` was wanted and fails with
    // "invalid type: {found}, expected {expected}".
    bool invalid_type_here(std::string_view expected);
    // index is the position in names.
    bool read_enum_index(std::span<const std::string_view> names, std::size_t& index);
    bool read_variant_name(std::span<const std::string_view> names, std::size_t& index);
    bool read_unit();
    bool read_u64(std::uint64_t& out);

    template <class Record>
    bool record_object(const RecordSpec<Record>& spec, Record& out);
    template <class Record>
    bool record_array(const RecordSpec<Record>& spec, Record& out);

    Lexer lex_;
    int remaining_depth_ = 128;
};

template <class T, class ReadInner>
bool Reader::read_optional(std::optional<T>& out, ReadInner&& read_inner) {
    if (lex_.peek_past_whitespace() == 'n') {
        out.reset();
        return lex_.parse_literal();
    }
    return read_inner(*this, out.emplace());
}

template <class Enum>
bool Reader::read_enum(std::span<const std::string_view> names, Enum& out) {
    std::size_t index = 0;
    if (!read_enum_index(names, index)) return false;
    out = static_cast<Enum>(index);
    return true;
}

template <class Element, class ReadElement>
bool Reader::read_list(std::vector<Element>& out, ReadElement&& read_element) {
    if (!value_starts('[', "a sequence") || !enter()) return false;
    lex_.eat();
    bool first = true;
    while (true) {
        const int next = next_element(first);
        if (next < 0) return false;
        if (next == 0) break;
        if (!read_element(*this, out.emplace_back())) return false;
    }
    leave();
    return end_list();
}

template <class Record, class ReadRecord>
bool Reader::read_map(std::map<std::string, Record>& out, ReadRecord&& read_record_fn) {
    if (!value_starts('{', "a map") || !enter()) return false;
    lex_.eat();
    const bool ok = read_members([&](std::string_view key) {
        auto [it, inserted] = out.try_emplace(std::string(key));
        if (!inserted) it->second = Record{};
        return lex_.parse_colon() && read_record_fn(*this, it->second);
    });
    if (!ok) return false;
    leave();
    return end_object();
}

template <class ReadMember>
bool Reader::read_members(ReadMember&& read_member) {
    bool first = true;
    while (true) {
        std::string_view key;
        const int next = next_key(first, key);
        if (next < 0) return false;
        if (next == 0) return true;
        if (!read_member(key)) return false;
    }
}

template <class Record>
bool Reader::read_record(const RecordSpec<Record>& spec, Record& out) {
    const int c = lex_.peek_past_whitespace();
    if (c == Lexer::kEnd) return lex_.fail_peek(Syntax::EofWhileParsingValue);
    if (c != '{' && c != '[') return invalid_type_here(spec.expecting);
    const bool object = c == '{';
    if (!enter()) return false;
    lex_.eat();
    const bool ok = object ? record_object(spec, out) : record_array(spec, out);
    leave();
    if (ok) return object ? end_object() : end_list();
    settle(object);
    return lex_.fix_position();
}

std::string duplicate_field(std::string_view key);
std::string missing_field(std::string_view key);

template <class Record>
bool Reader::record_object(const RecordSpec<Record>& spec, Record& out) {
    std::uint32_t seen = 0;
    const bool ok = read_members([&](std::string_view key) {
        std::size_t index = 0;
        while (index < spec.fields.size() && spec.fields[index].key != key) ++index;
        if (index == spec.fields.size()) return lex_.parse_colon() && lex_.ignore_value();
        const std::uint32_t bit = std::uint32_t{1} << index;
        if (seen & bit) return lex_.fail_unpositioned(duplicate_field(spec.fields[index].key));
        seen |= bit;
        return lex_.parse_colon() && spec.fields[index].read(*this, out);
    });
    if (!ok) return false;
    for (std::size_t index = 0; index < spec.fields.size(); ++index) {
        if (spec.fields[index].required && !(seen & (std::uint32_t{1} << index))) {
            return lex_.fail_unpositioned(missing_field(spec.fields[index].key));
        }
    }
    return true;
}

template <class Record>
bool Reader::record_array(const RecordSpec<Record>& spec, Record& out) {
    bool first = true;
    for (std::size_t index = 0; index < spec.fields.size(); ++index) {
        const int next = next_element(first);
        if (next < 0) return false;
        if (next == 0) {
            if (spec.fields[index].array_optional) continue;
            return lex_.fail_unpositioned(invalid_length(index, spec.array_expecting));
        }
        if (!spec.fields[index].read(*this, out)) return false;
    }
    return true;
}

}  // namespace tolv::schema::detail
