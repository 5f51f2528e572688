// The schema records' field tables: keys in declaration order, which keys an
// object must hold, which elements an array may leave out, and how each
// value is read.
#include "schema/json_reader.hpp"

#include "schema/value_reader.hpp"

namespace tolv::schema {
namespace {

using detail::FieldSpec;
using detail::Reader;
using detail::RecordSpec;

bool read_type_ref(Reader& r, TypeRef& out);
bool read_param(Reader& r, Param& out);
bool read_field(Reader& r, Field& out);
bool read_endpoint(Reader& r, Endpoint& out);
bool read_model(Reader& r, ModelDef& out);
bool read_enum_def(Reader& r, EnumDef& out);

bool read_params(Reader& r, std::vector<Param>& out) { return r.read_list(out, read_param); }

constexpr FieldSpec<TypeRef> kTypeRefFields[] = {
    {"kind", true, false, [](Reader& r, TypeRef& t) { return r.read_enum(kTypeKindNames, t.kind); }},
    {"name", false, false, [](Reader& r, TypeRef& t) { return r.read_optional_string(t.name); }},
    {"inner", false, true, [](Reader& r, TypeRef& t) { return r.read_list(t.inner, read_type_ref); }},
    {"optional", false, true, [](Reader& r, TypeRef& t) { return r.read_bool(t.optional); }},
    {"nullable", false, true, [](Reader& r, TypeRef& t) { return r.read_bool(t.nullable); }},
    // An explicit null is the null literal, not an absent value.
    {"value", false, true, [](Reader& r, TypeRef& t) { return r.read_value(t.value.emplace()); }},
};
constexpr RecordSpec<TypeRef> kTypeRef{"struct TypeRef", "struct TypeRef with 6 elements", kTypeRefFields};

constexpr FieldSpec<Param> kParamFields[] = {
    {"sourceName", true, false, [](Reader& r, Param& p) { return r.read_string(p.sourceName); }},
    {"wireName", true, false, [](Reader& r, Param& p) { return r.read_string(p.wireName); }},
    {"ty", true, false, [](Reader& r, Param& p) { return read_type_ref(r, p.ty); }},
    {"required", true, false, [](Reader& r, Param& p) { return r.read_bool(p.required); }},
    {"default", false, true, [](Reader& r, Param& p) { return r.read_optional_value(p.default_value); }},
};
constexpr RecordSpec<Param> kParam{"struct Param", "struct Param with 5 elements", kParamFields};

constexpr FieldSpec<Endpoint> kEndpointFields[] = {
    {"name", true, false, [](Reader& r, Endpoint& e) { return r.read_string(e.name); }},
    {"kind", true, false, [](Reader& r, Endpoint& e) { return r.read_enum(kEndpointKindNames, e.kind); }},
    {"module", false, true, [](Reader& r, Endpoint& e) { return r.read_optional_string(e.module); }},
    {"doc", false, false, [](Reader& r, Endpoint& e) { return r.read_optional_string(e.doc); }},
    {"params", false, true, [](Reader& r, Endpoint& e) { return read_params(r, e.params); }},
    {"returns", true, false, [](Reader& r, Endpoint& e) { return read_type_ref(r, e.returns); }},
    {"channelItem", false, false, [](Reader& r, Endpoint& e) { return r.read_optional(e.channelItem, read_type_ref); }},
    {"fileParam", false, false, [](Reader& r, Endpoint& e) { return r.read_optional_string(e.fileParam); }},
    {"multiFile", false, true, [](Reader& r, Endpoint& e) { return r.read_bool(e.multiFile); }},
    {"maxSize", false, false, [](Reader& r, Endpoint& e) { return r.read_optional_u64(e.maxSize); }},
    {"allowedTypes", false, true,
     [](Reader& r, Endpoint& e) {
         return r.read_list(e.allowedTypes, [](Reader& rr, std::string& s) { return rr.read_string(s); });
     }},
    {"serverEvents", false, true, [](Reader& r, Endpoint& e) { return read_params(r, e.serverEvents); }},
    {"clientEvents", false, true, [](Reader& r, Endpoint& e) { return read_params(r, e.clientEvents); }},
};
constexpr RecordSpec<Endpoint> kEndpoint{"struct Endpoint", "struct Endpoint with 13 elements", kEndpointFields};

constexpr FieldSpec<Field> kFieldFields[] = {
    {"sourceName", true, false, [](Reader& r, Field& f) { return r.read_string(f.sourceName); }},
    {"wireName", true, false, [](Reader& r, Field& f) { return r.read_string(f.wireName); }},
    {"ty", true, false, [](Reader& r, Field& f) { return read_type_ref(r, f.ty); }},
    {"required", true, false, [](Reader& r, Field& f) { return r.read_bool(f.required); }},
    {"optional", false, true, [](Reader& r, Field& f) { return r.read_bool(f.optional); }},
    {"nullable", false, true, [](Reader& r, Field& f) { return r.read_bool(f.nullable); }},
    {"doc", false, false, [](Reader& r, Field& f) { return r.read_optional_string(f.doc); }},
    {"default", false, false, [](Reader& r, Field& f) { return r.read_optional_value(f.default_value); }},
};
constexpr RecordSpec<Field> kField{"struct Field", "struct Field with 8 elements", kFieldFields};

constexpr FieldSpec<ModelDef> kModelFields[] = {
    {"name", true, false, [](Reader& r, ModelDef& m) { return r.read_string(m.name); }},
    {"fields", false, true, [](Reader& r, ModelDef& m) { return r.read_list(m.fields, read_field); }},
    {"doc", false, false, [](Reader& r, ModelDef& m) { return r.read_optional_string(m.doc); }},
};
constexpr RecordSpec<ModelDef> kModel{"struct ModelDef", "struct ModelDef with 3 elements", kModelFields};

constexpr FieldSpec<EnumDef> kEnumFields[] = {
    {"name", true, false, [](Reader& r, EnumDef& e) { return r.read_string(e.name); }},
    {"values", false, true,
     [](Reader& r, EnumDef& e) {
         return r.read_list(e.values, [](Reader& rr, JsonValue& v) { return rr.read_value(v); });
     }},
    {"doc", false, false, [](Reader& r, EnumDef& e) { return r.read_optional_string(e.doc); }},
};
constexpr RecordSpec<EnumDef> kEnum{"struct EnumDef", "struct EnumDef with 3 elements", kEnumFields};

constexpr FieldSpec<ApiGraph> kGraphFields[] = {
    {"endpoints", false, true, [](Reader& r, ApiGraph& g) { return r.read_map(g.endpoints, read_endpoint); }},
    {"models", false, true, [](Reader& r, ApiGraph& g) { return r.read_map(g.models, read_model); }},
    {"enums", false, true, [](Reader& r, ApiGraph& g) { return r.read_map(g.enums, read_enum_def); }},
};
constexpr RecordSpec<ApiGraph> kGraph{"struct ApiGraph", "struct ApiGraph with 3 elements", kGraphFields};

bool read_type_ref(Reader& r, TypeRef& out) { return r.read_record(kTypeRef, out); }
bool read_param(Reader& r, Param& out) { return r.read_record(kParam, out); }
bool read_field(Reader& r, Field& out) { return r.read_record(kField, out); }
bool read_endpoint(Reader& r, Endpoint& out) { return r.read_record(kEndpoint, out); }
bool read_model(Reader& r, ModelDef& out) { return r.read_record(kModel, out); }
bool read_enum_def(Reader& r, EnumDef& out) { return r.read_record(kEnum, out); }

}  // namespace

Result<ApiGraph> read_api_graph(std::string_view text) {
    Reader reader(text);
    ApiGraph graph;
    if (!reader.read_record(kGraph, graph) || !reader.finish()) {
        return fail(detail::positioned_message(text, reader.error()));
    }
    return graph;
}

}  // namespace tolv::schema
