#include "schema/json_writer.hpp"

#include "schema/json_text.hpp"

namespace tolv::schema {
namespace {

// Appends records and values to one buffer. Pretty and compact differ only in
// the whitespace written around members, so the layout is a template flag.
template <bool Pretty>
class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}

    void graph(const ApiGraph& g) {
        bool first = begin_object();
        key(first, "\"endpoints\"");
        map(g.endpoints, [this](const Endpoint& e) { endpoint(e); });
        key(first, "\"models\"");
        map(g.models, [this](const ModelDef& m) { model(m); });
        key(first, "\"enums\"");
        map(g.enums, [this](const EnumDef& e) { enum_def(e); });
        end_object(first);
    }

    void value(const JsonValue& v) {
        switch (v.v.index()) {
            case 0: out_ += "null"; return;
            case 1: out_ += std::get<bool>(v.v) ? "true" : "false"; return;
            case 5: detail::append_quoted(out_, std::get<std::string>(v.v)); return;
            case 6: list(std::get<JsonValue::Array>(v.v), [this](const JsonValue& e) { value(e); }); return;
            case 7: map(std::get<JsonValue::Object>(v.v), [this](const JsonValue& m) { value(m); }); return;
            default: detail::append_number(out_, v); return;
        }
    }

private:
    void model(const ModelDef& m) {
        bool first = begin_object();
        key(first, "\"name\"");
        string(m.name);
        nonempty_list(first, "\"fields\"", m.fields, [this](const Field& f) { field(f); });
        optional_string(first, "\"doc\"", m.doc);
        end_object(first);
    }

    void field(const Field& f) {
        bool first = begin_object();
        shared_member_keys(first, f);
        if (f.optional) {
            key(first, "\"optional\"");
            boolean(true);
        }
        if (f.nullable) {
            key(first, "\"nullable\"");
            boolean(true);
        }
        optional_string(first, "\"doc\"", f.doc);
        optional_value(first, "\"default\"", f.default_value);
        end_object(first);
    }

    // The leading keys of a model field and of a parameter.
    template <class Member>
    void shared_member_keys(bool& first, const Member& m) {
        key(first, "\"sourceName\"");
        string(m.sourceName);
        key(first, "\"wireName\"");
        string(m.wireName);
        key(first, "\"ty\"");
        type_ref(m.ty);
        key(first, "\"required\"");
        boolean(m.required);
    }

    void enum_def(const EnumDef& e) {
        bool first = begin_object();
        key(first, "\"name\"");
        string(e.name);
        nonempty_list(first, "\"values\"", e.values, [this](const JsonValue& v) { value(v); });
        optional_string(first, "\"doc\"", e.doc);
        end_object(first);
    }

    void type_ref(const TypeRef& t) {
        bool first = begin_object();
        key(first, "\"kind\"");
        string(type_kind_name(t.kind));
        optional_string(first, "\"name\"", t.name);
        nonempty_list(first, "\"inner\"", t.inner, [this](const TypeRef& inner) { type_ref(inner); });
        key(first, "\"optional\"");
        boolean(t.optional);
        key(first, "\"nullable\"");
        boolean(t.nullable);
        optional_value(first, "\"value\"", t.value);
        end_object(first);
    }

    void endpoint(const Endpoint& e) {
        bool first = begin_object();
        key(first, "\"name\"");
        string(e.name);
        key(first, "\"kind\"");
        string(endpoint_kind_name(e.kind));
        optional_string(first, "\"module\"", e.module);
        optional_string(first, "\"doc\"", e.doc);
        params(first, "\"params\"", e.params);
        key(first, "\"returns\"");
        type_ref(e.returns);
        if (e.channelItem) {
            key(first, "\"channelItem\"");
            type_ref(*e.channelItem);
        }
        optional_string(first, "\"fileParam\"", e.fileParam);
        key(first, "\"multiFile\"");
        boolean(e.multiFile);
        if (e.maxSize) {
            key(first, "\"maxSize\"");
            detail::append_unsigned(out_, *e.maxSize);
        }
        nonempty_list(first, "\"allowedTypes\"", e.allowedTypes, [this](const std::string& s) { string(s); });
        params(first, "\"serverEvents\"", e.serverEvents);
        params(first, "\"clientEvents\"", e.clientEvents);
        end_object(first);
    }

    void params(bool& first, std::string_view quoted, const std::vector<Param>& list_of_params) {
        nonempty_list(first, quoted, list_of_params, [this](const Param& p) { param(p); });
    }

    void param(const Param& p) {
        bool first = begin_object();
        shared_member_keys(first, p);
        optional_value(first, "\"default\"", p.default_value);
        end_object(first);
    }

    // Layout primitives. begin_* returns the "no member yet" flag that key()
    // and end_*() take, so nested containers need no stack of their own.

    bool begin_object() {
        out_.push_back('{');
        ++depth_;
        return true;
    }

    void end_object(bool first) { close('}', first); }

    void close(char bracket, bool first) {
        --depth_;
        if (Pretty && !first) newline();
        out_.push_back(bracket);
    }

    void separator(bool& first) {
        if (!first) out_.push_back(',');
        first = false;
        if (Pretty) newline();
    }

    // quoted: the key with its quotes, known to need no escapes.
    void key(bool& first, std::string_view quoted) {
        separator(first);
        out_.append(quoted);
        colon();
    }

    void quoted_key(bool& first, std::string_view name) {
        separator(first);
        detail::append_quoted(out_, name);
        colon();
    }

    void colon() {
        if (Pretty) {
            out_.append(": ", 2);
        } else {
            out_.push_back(':');
        }
    }

    void newline() {
        out_.push_back('\n');
        out_.append(2 * depth_, ' ');
    }

    template <class Map, class WriteRecord>
    void map(const Map& records, WriteRecord&& write_record) {
        bool first = begin_object();
        for (const auto& [name, record] : records) {
            quoted_key(first, name);
            write_record(record);
        }
        end_object(first);
    }

    template <class List, class WriteElement>
    void list(const List& elements, WriteElement&& write_element) {
        out_.push_back('[');
        ++depth_;
        bool first = true;
        for (const auto& element : elements) {
            separator(first);
            write_element(element);
        }
        close(']', first);
    }

    template <class List, class WriteElement>
    void nonempty_list(bool& first, std::string_view quoted, const List& elements, WriteElement&& write_element) {
        if (elements.empty()) return;
        key(first, quoted);
        list(elements, write_element);
    }

    void string(std::string_view s) { detail::append_quoted(out_, s); }
    void boolean(bool b) { out_ += b ? "true" : "false"; }

    void optional_string(bool& first, std::string_view quoted, const std::optional<std::string>& s) {
        if (!s) return;
        key(first, quoted);
        string(*s);
    }

    void optional_value(bool& first, std::string_view quoted, const std::optional<JsonValue>& v) {
        if (!v) return;
        key(first, quoted);
        value(*v);
    }

    std::string& out_;
    std::size_t depth_ = 0;
};

// A size guess for the compact text (pretty text is about twice as long),
// so that most documents are written without regrowing the buffer.
std::size_t estimated_size(const ApiGraph& g) {
    std::size_t size = 64;
    for (const auto& [name, e] : g.endpoints) {
        size += 2 * name.size() + 300 + 200 * (e.params.size() + e.serverEvents.size() + e.clientEvents.size());
    }
    for (const auto& [name, m] : g.models) size += 2 * name.size() + 64 + 180 * m.fields.size();
    for (const auto& [name, e] : g.enums) size += 2 * name.size() + 64 + 16 * e.values.size();
    return size;
}

}  // namespace

std::string write_pretty(const ApiGraph& graph) {
    std::string out;
    out.reserve(estimated_size(graph) * 2);
    Writer<true>(out).graph(graph);
    return out;
}

std::string write_compact(const ApiGraph& graph) {
    std::string out;
    out.reserve(estimated_size(graph));
    Writer<false>(out).graph(graph);
    return out;
}

std::string write_json_value_compact(const JsonValue& value) {
    std::string out;
    Writer<false>(out).value(value);
    return out;
}

}  // namespace tolv::schema
