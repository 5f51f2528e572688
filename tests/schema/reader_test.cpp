// What the reader accepts and what it builds from it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "schema/json_reader.hpp"
#include "schema/json_writer.hpp"

namespace tolv::schema {
namespace {

ApiGraph read_ok(std::string_view text) {
    auto result = read_api_graph(text);
    if (!result) {
        ADD_FAILURE() << result.error().display() << "\nin: " << text;
        return {};
    }
    return std::move(*result);
}

std::string endpoint_doc(std::string_view members) {
    return R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"})" + std::string(members) +
           "}}}";
}

const Endpoint& only_endpoint(const ApiGraph& g) {
    static const Endpoint missing;
    return g.endpoints.empty() ? missing : g.endpoints.begin()->second;
}

TEST(Reader, EmptyDocumentsGiveEmptyGraph) {
    for (const char* text : {"{}", " \t\r\n{}\n ", "[]", "[{}, {}, {}]", R"({"endpoints": {}, "models": {}})"}) {
        EXPECT_EQ(read_ok(text), ApiGraph{}) << text;
    }
}

TEST(Reader, MinimalEndpointTakesDefaults) {
    const Endpoint e = only_endpoint(read_ok(endpoint_doc("")));
    EXPECT_EQ(e.name, "e");
    EXPECT_EQ(e.kind, EndpointKind::Rpc);
    EXPECT_EQ(e.returns.kind, TypeKind::Any);
    EXPECT_FALSE(e.module || e.doc || e.channelItem || e.fileParam || e.maxSize);
    EXPECT_TRUE(e.params.empty() && e.allowedTypes.empty() && e.serverEvents.empty() && e.clientEvents.empty());
    EXPECT_FALSE(e.multiFile);
}

TEST(Reader, NullOptionalsAreAbsent) {
    const auto g = read_ok(endpoint_doc(
        R"(, "module": null, "doc": null, "channelItem": null, "fileParam": null, "maxSize": null, "params": [])"));
    const Endpoint& e = only_endpoint(g);
    EXPECT_FALSE(e.module || e.doc || e.channelItem || e.fileParam || e.maxSize);
    EXPECT_EQ(
        write_compact(g),
        R"({"endpoints":{"e":{"name":"e","kind":"rpc","returns":{"kind":"any","optional":false,"nullable":false},)"
        R"("multiFile":false}},"models":{},"enums":{}})");
}

TEST(Reader, EnumerationForms) {
    const std::pair<const char*, EndpointKind> kinds[] = {
        {R"("rpc")", EndpointKind::Rpc},
        {R"("channel")", EndpointKind::Channel},
        {R"("upload")", EndpointKind::Upload},
        {R"("static")", EndpointKind::Static},
        {R"("ws")", EndpointKind::Ws},
        {R"({"ws": null})", EndpointKind::Ws},
        {R"( { "channel" : null } )", EndpointKind::Channel},
    };
    for (const auto& [text, kind] : kinds) {
        const auto g = read_ok(R"({"endpoints": {"e": {"name": "e", "returns": {"kind": "void"}, "kind": )" +
                               std::string(text) + "}}}");
        EXPECT_EQ(only_endpoint(g).kind, kind) << text;
    }
    const auto g = read_ok(endpoint_doc(R"(, "channelItem": {"kind": {"union": null}})"));
    EXPECT_EQ(only_endpoint(g).channelItem->kind, TypeKind::Union);
}

TEST(Reader, MaxSizeKeepsTheFullUnsignedRange) {
    for (const char* digits : {"0", "18446744073709551615"}) {
        const auto g = read_ok(endpoint_doc(std::string(R"(, "maxSize": )") + digits));
        EXPECT_NE(write_compact(g).find(std::string(R"("maxSize":)") + digits + "}"), std::string::npos) << digits;
    }
}

TEST(Reader, ParamDefaultsAndUnknownKeys) {
    const auto g = read_ok(endpoint_doc(R"(, "params": [
        {"sourceName": "a", "wireName": "A", "ty": {"kind": "any"}, "required": true, "default": null, "optional": true},
        {"sourceName": "b", "wireName": "B", "ty": {"kind": "any"}, "required": false, "default": 0},
        {"sourceName": "c", "wireName": "C", "ty": {"kind": "any"}, "required": false, "default": ""},
        {"sourceName": "d", "wireName": "D", "ty": {"kind": "any"}, "required": false, "default": []},
        ["e", "E", {"kind": "any"}, true],
        ["f", "F", {"kind": "any"}, true, null]])"));
    const auto& params = only_endpoint(g).params;
    ASSERT_EQ(params.size(), 6u);
    EXPECT_FALSE(params[0].default_value);
    EXPECT_EQ(params[1].default_value, JsonValue(std::uint64_t{0}));
    EXPECT_EQ(params[2].default_value, JsonValue(""));
    EXPECT_EQ(params[3].default_value, JsonValue(JsonValue::Array{}));
    EXPECT_EQ(params[4].sourceName, "e");
    EXPECT_FALSE(params[4].default_value);
    EXPECT_FALSE(params[5].default_value);
}

TEST(Reader, ArrayForms) {
    const auto g = read_ok(R"({
        "endpoints": {"e": ["e", "ws", null, null, [], {"kind": "void"}, null, null, true, null]},
        "models": {"m": ["m", [["s", "w", ["primitive", "int"], true, false, true, "doc", null],
                                ["t", "u", {"kind": "any"}, false, false, false, null, null]], null]},
        "enums": {"n": ["n", [1, "x"], "d"]}})");
    const Endpoint& e = only_endpoint(g);
    EXPECT_EQ(e.kind, EndpointKind::Ws);
    EXPECT_TRUE(e.multiFile);
    const ModelDef& m = g.models.at("m");
    ASSERT_EQ(m.fields.size(), 2u);
    EXPECT_EQ(m.fields[0].ty.kind, TypeKind::Primitive);
    EXPECT_EQ(m.fields[0].ty.name, "int");
    EXPECT_FALSE(m.fields[0].ty.optional || m.fields[0].ty.nullable);
    EXPECT_TRUE(m.fields[0].nullable);
    EXPECT_EQ(m.fields[0].doc, "doc");
    EXPECT_FALSE(m.fields[1].optional || m.fields[1].nullable || m.fields[1].doc);
    EXPECT_EQ(g.enums.at("n").values, (std::vector<JsonValue>{JsonValue(std::uint64_t{1}), JsonValue("x")}));
    EXPECT_EQ(g.enums.at("n").doc, "d");
}

TEST(Reader, TypeRefValueHasThreeStates) {
    const auto g = read_ok(R"({"models": {"m": {"name": "m", "fields": [
        {"sourceName": "a", "wireName": "a", "ty": {"kind": "literal", "value": null}, "required": true},
        {"sourceName": "b", "wireName": "b", "ty": {"kind": "literal"}, "required": true},
        {"sourceName": "c", "wireName": "c", "ty": {"kind": "literal", "value": 3, "name": null}, "required": true},
        {"sourceName": "d", "wireName": "d", "ty": ["literal", null, [], false, false, null], "required": true}]}}})");
    const auto& fields = g.models.at("m").fields;
    EXPECT_EQ(fields[0].ty.value, JsonValue(nullptr));
    EXPECT_FALSE(fields[1].ty.value);
    EXPECT_EQ(fields[2].ty.value, JsonValue(std::uint64_t{3}));
    EXPECT_FALSE(fields[2].ty.name);
    EXPECT_EQ(fields[3].ty.value, JsonValue(nullptr));
    const std::string text = write_compact(g);
    EXPECT_NE(text.find(R"({"kind":"literal","optional":false,"nullable":false,"value":null})"), std::string::npos);
    EXPECT_NE(text.find(R"({"kind":"literal","optional":false,"nullable":false})"), std::string::npos);
}

TEST(Reader, JsonValueForms) {
    const auto g = read_ok(R"({"enums": {"e": {"name": "e", "values": [
        0, 18446744073709551615, 18446744073709551616, -1, -9223372036854775808, -9223372036854775809,
        -0, 1e3, 1.50, 1e-400, 1E+2, "\u00e9\ud83d\ude00\/\"", {"b": 1, "a": 2, "b": 3}, [null, true, false]]}}})");
    const auto& v = g.enums.at("e").values;
    ASSERT_EQ(v.size(), 14u);
    EXPECT_EQ(v[0], JsonValue(std::uint64_t{0}));
    EXPECT_EQ(v[1], JsonValue(std::uint64_t{18446744073709551615u}));
    EXPECT_EQ(v[2], JsonValue(18446744073709551616.0));
    EXPECT_EQ(v[3], JsonValue(std::int64_t{-1}));
    EXPECT_EQ(v[4], JsonValue(std::numeric_limits<std::int64_t>::min()));
    EXPECT_EQ(v[5], JsonValue(-9223372036854775809.0));
    ASSERT_TRUE(std::holds_alternative<double>(v[6].v));
    EXPECT_TRUE(std::signbit(std::get<double>(v[6].v)));
    EXPECT_EQ(v[7], JsonValue(1000.0));
    EXPECT_EQ(v[8], JsonValue(1.5));
    EXPECT_EQ(v[9], JsonValue(0.0));
    EXPECT_EQ(v[10], JsonValue(100.0));
    EXPECT_EQ(v[11], JsonValue("\u00e9\U0001F600/\""));
    EXPECT_EQ(v[12],
              JsonValue(JsonValue::Object{{"a", JsonValue(std::uint64_t{2})}, {"b", JsonValue(std::uint64_t{3})}}));
    EXPECT_EQ(v[13], JsonValue(JsonValue::Array{nullptr, true, false}));
}

TEST(Reader, MapsOrderByBytesAndKeepTheLaterRecord) {
    const auto g = read_ok(R"({"models": {"b": {"name": "b"}, "B": {"name": "B"}, "a": {"name": "first"},
                                          "a": {"name": "second"}, "": {"name": "x y!"}}})");
    std::vector<std::string> keys;
    for (const auto& [key, model] : g.models) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"", "B", "a", "b"}));
    EXPECT_EQ(g.models.at("a").name, "second");
    EXPECT_EQ(g.models.at("").name, "x y!");
}

TEST(Reader, UnknownKeysAreSkippedEverywhere) {
    const auto g = read_ok(R"({"x": 1, "x": {"deep": [[{"k": "\ud800 not checked"}], -1.5e999]},
        "models": {"m": {"zzz": null, "name": "m", "fields": [
            {"sourceName": "s", "wireName": "w", "ty": {"kind": "any", "extra": [1]}, "required": true, "more": {}}]}},
        "enums": {"e": {"name": "e", "Values": [1]}},
        "endpoints": {"p": {"name": "p", "kind": "rpc", "returns": {"kind": "void"}, "Name": 1, "name ": 2}}})");
    EXPECT_EQ(g.models.at("m").fields.size(), 1u);
    EXPECT_TRUE(g.enums.at("e").values.empty());  // keys are case-sensitive
    EXPECT_EQ(g.endpoints.at("p").name, "p");
    EXPECT_EQ(write_compact(g).find("extra"), std::string::npos);
}

TEST(Reader, MillionDeepValueUnderUnknownKey) {
    constexpr std::size_t kDepth = 1'000'000;
    std::string text = R"({"unknown": )";
    text.reserve(2 * kDepth + 64);
    for (std::size_t i = 0; i < kDepth; ++i) text += i % 2 ? "{\"k\":" : "[";
    text += '0';
    for (std::size_t i = kDepth; i-- > 0;) text += i % 2 ? "}" : "]";
    text += R"(, "models": {"m": {"name": "m"}}})";
    EXPECT_EQ(read_ok(text).models.size(), 1u);

    // The same nesting left open reports where the input ended.
    const std::string open = R"({"unknown": )" + std::string(kDepth, '[');
    const auto result = read_api_graph(open);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message(), "EOF while parsing a list at line 1 column " + std::to_string(open.size()));
}

TEST(Reader, NamesAreTakenAsTheyStand) {
    const auto g = read_ok(R"({"models": {"key": {"name": "other name", "fields": [
        {"sourceName": "", "wireName": "", "ty": {"kind": "model", "name": "Missing", "inner": [{"kind": "void"}]},
         "required": false}]}}})");
    const ModelDef& m = g.models.at("key");
    EXPECT_EQ(m.name, "other name");
    EXPECT_EQ(m.fields[0].ty.inner.size(), 1u);
}

TEST(Reader, TypeRefCopiesAreDeep) {
    TypeRef original;
    original.kind = TypeKind::Literal;
    original.value = JsonValue(JsonValue::Object{{"a", JsonValue(JsonValue::Array{1.0})}});
    original.inner.push_back(original);
    TypeRef copy = original;
    copy.optional = copy.nullable = true;
    std::get<JsonValue::Object>(copy.value->v)["a"] = JsonValue(nullptr);
    copy.inner[0].kind = TypeKind::Any;
    EXPECT_FALSE(original.optional || original.nullable);
    EXPECT_EQ(std::get<JsonValue::Object>(original.value->v).at("a"), JsonValue(JsonValue::Array{1.0}));
    EXPECT_EQ(original.inner[0].kind, TypeKind::Literal);
}

}  // namespace
}  // namespace tolv::schema
