// Key orders, skip rules and layouts of the written document, and round trips.
#include <gtest/gtest.h>

#include <string>

#include "../../bench/synthetic_schema.hpp"
#include "schema/json_reader.hpp"
#include "schema/json_writer.hpp"

namespace tolv::schema {
namespace {

TypeRef type(TypeKind kind, std::optional<std::string> name = std::nullopt) {
    TypeRef t;
    t.kind = kind;
    t.name = std::move(name);
    return t;
}

TEST(Writer, EmptyGraph) {
    EXPECT_EQ(write_pretty(ApiGraph{}), "{\n  \"endpoints\": {},\n  \"models\": {},\n  \"enums\": {}\n}");
    EXPECT_EQ(write_compact(ApiGraph{}), R"({"endpoints":{},"models":{},"enums":{}})");
}

TEST(Writer, PrettyLayoutOfNestedRecords) {
    ApiGraph g;
    ModelDef m;
    m.name = "M";
    Field f;
    f.sourceName = "s";
    f.wireName = "w";
    f.ty = type(TypeKind::Array);
    f.ty.inner.push_back(type(TypeKind::Primitive, "int"));
    f.required = false;
    f.default_value = JsonValue(JsonValue::Array{});
    m.fields.push_back(f);
    g.models["M"] = m;
    EXPECT_EQ(write_pretty(g), R"({
  "endpoints": {},
  "models": {
    "M": {
      "name": "M",
      "fields": [
        {
          "sourceName": "s",
          "wireName": "w",
          "ty": {
            "kind": "array",
            "inner": [
              {
                "kind": "primitive",
                "name": "int",
                "optional": false,
                "nullable": false
              }
            ],
            "optional": false,
            "nullable": false
          },
          "required": false,
          "default": []
        }
      ]
    }
  },
  "enums": {}
})");
}

TEST(Writer, FieldSkipRules) {
    ApiGraph g;
    ModelDef m;
    m.name = "M";
    Field f;
    f.sourceName = "s";
    f.wireName = "w";
    f.ty = type(TypeKind::Any);
    m.fields.push_back(f);  // all flags false, nothing optional present
    f.required = f.optional = f.nullable = true;
    f.doc = "d";
    f.default_value = JsonValue(nullptr);  // a held null is written
    m.fields.push_back(f);
    g.models["M"] = m;
    EXPECT_EQ(
        write_compact(g),
        R"({"endpoints":{},"models":{"M":{"name":"M","fields":[)"
        R"({"sourceName":"s","wireName":"w","ty":{"kind":"any","optional":false,"nullable":false},"required":false},)"
        R"({"sourceName":"s","wireName":"w","ty":{"kind":"any","optional":false,"nullable":false},"required":true,)"
        R"("optional":true,"nullable":true,"doc":"d","default":null}]}},"enums":{}})");
}

TEST(Writer, EndpointKeyOrderWithEveryField) {
    Endpoint e;
    e.name = "up";
    e.kind = EndpointKind::Upload;
    e.module = "mod";
    e.doc = "doc";
    Param p;
    p.sourceName = "a";
    p.wireName = "b";
    p.ty = type(TypeKind::Void);
    p.required = true;
    p.default_value = JsonValue(std::int64_t{-2});
    e.params = {p};
    e.returns = type(TypeKind::Model, "M");
    e.channelItem = type(TypeKind::Enum, "E");
    e.fileParam = "f";
    e.multiFile = true;
    e.maxSize = 18446744073709551615u;
    e.allowedTypes = {"image/png"};
    e.serverEvents = {p};
    e.clientEvents = {p};
    ApiGraph g;
    g.endpoints["up"] = e;
    const std::string param =
        R"({"sourceName":"a","wireName":"b","ty":{"kind":"void","optional":false,"nullable":false},)"
        R"("required":true,"default":-2})";
    EXPECT_EQ(write_compact(g),
              R"({"endpoints":{"up":{"name":"up","kind":"upload","module":"mod","doc":"doc","params":[)" + param +
                  R"(],"returns":{"kind":"model","name":"M","optional":false,"nullable":false},)"
                  R"("channelItem":{"kind":"enum","name":"E","optional":false,"nullable":false},)"
                  R"("fileParam":"f","multiFile":true,"maxSize":18446744073709551615,)"
                  R"("allowedTypes":["image/png"],"serverEvents":[)" +
                  param + R"(],"clientEvents":[)" + param + R"(]}},"models":{},"enums":{}})");
}

TEST(Writer, ValuesAreWrittenFromWhatWasRead) {
    const auto g = read_api_graph(R"({"enums": {
        "a": {"name": "a", "values": ["a", 1, null, true]},
        "b": {"name": "b", "values": []},
        "c": {"name": "c", "values": [1.50, 1e3, 10, -0, 1E-7, {"b": 1, "a": [2.0]}]},
        "d": {"name": "d\t\"\n\u0001/é", "values": ["\u001f\u007f"]}}})");
    ASSERT_TRUE(g) << g.error().display();
    EXPECT_EQ(write_compact(*g), R"({"endpoints":{},"models":{},"enums":{)"
                                 R"("a":{"name":"a","values":["a",1,null,true]},)"
                                 R"("b":{"name":"b"},)"
                                 R"("c":{"name":"c","values":[1.5,1000.0,10,-0.0,1e-7,{"a":[2.0],"b":1}]},)"
                                 "\"d\":{\"name\":\"d\\t\\\"\\n\\u0001/\xC3\xA9\",\"values\":[\"\\u001f\x7f\"]}}}");
}

// Optional members given as null or as empty lists are not written back;
// "multiFile" is written for every kind, also when false.
TEST(Writer, NullAndEmptyMembersAreNotWrittenBack) {
    const auto g = read_api_graph(R"({
        "endpoints": {
          "a": {"name": "a", "kind": "channel", "returns": {"kind": "void"}, "allowedTypes": [], "serverEvents": [],
                "clientEvents": [], "params": [], "module": null, "fileParam": null},
          "b": {"name": "b", "kind": "static", "returns": {"kind": "void"}},
          "c": {"name": "c", "kind": "ws", "returns": {"kind": "void"}}},
        "models": {"m": {"name": "m", "fields": [], "doc": null},
                   "n": {"name": "n", "fields": [{"sourceName": "s", "wireName": "w", "ty": {"kind": "any", "name": null},
                          "required": false, "optional": false, "nullable": false, "doc": null, "default": null}]}},
        "enums": {"e": {"name": "e", "values": [], "doc": null}}})");
    ASSERT_TRUE(g) << g.error().display();
    const std::string returns = R"("returns":{"kind":"void","optional":false,"nullable":false},"multiFile":false})";
    EXPECT_EQ(write_compact(*g),
              R"({"endpoints":{)"
              R"("a":{"name":"a","kind":"channel",)" +
                  returns +
                  ","
                  R"("b":{"name":"b","kind":"static",)" +
                  returns +
                  ","
                  R"("c":{"name":"c","kind":"ws",)" +
                  returns +
                  "},"
                  R"("models":{"m":{"name":"m"},"n":{"name":"n","fields":[{"sourceName":"s","wireName":"w",)"
                  R"("ty":{"kind":"any","optional":false,"nullable":false},"required":false}]}},)"
                  R"("enums":{"e":{"name":"e"}}})");
}

TEST(Writer, PrettyLayoutOfJsonValues) {
    ApiGraph g;
    EnumDef e;
    e.name = "E";
    e.values = {
        JsonValue(JsonValue::Object{}), JsonValue(JsonValue::Array{}),
        JsonValue(JsonValue::Object{{"k", JsonValue(JsonValue::Array{JsonValue(std::int64_t{-1}), JsonValue(0.5)})}})};
    e.doc = "d";
    g.enums["E"] = e;
    EXPECT_EQ(write_pretty(g), R"({
  "endpoints": {},
  "models": {},
  "enums": {
    "E": {
      "name": "E",
      "values": [
        {},
        [],
        {
          "k": [
            -1,
            0.5
          ]
        }
      ],
      "doc": "d"
    }
  }
})");
}

// Read, write in both layouts, read again: the same graph every time.
void expect_round_trip(const ApiGraph& graph) {
    for (const std::string& text : {write_pretty(graph), write_compact(graph)}) {
        const auto back = read_api_graph(text);
        ASSERT_TRUE(back) << back.error().display();
        EXPECT_TRUE(*back == graph);
        EXPECT_EQ(write_compact(*back), write_compact(graph));
    }
}

TEST(Writer, RoundTripOfHandWrittenDocument) {
    const auto g = read_api_graph(R"({
      "endpoints": {
        "feed": {"name": "feed", "kind": {"channel": null}, "returns": {"kind": "void"},
                 "channelItem": {"kind": "union", "inner": [{"kind": "primitive", "name": "str"}, {"kind": "literal", "value": null}]}},
        "sock": {"name": "sock", "kind": "ws", "returns": {"kind": "void"},
                 "serverEvents": [["msg", "msg", {"kind": "record", "inner": [{"kind": "primitive", "name": "str"}, {"kind": "any"}]}, true]],
                 "clientEvents": [{"sourceName": "ping", "wireName": "ping", "ty": ["literal", null, [], false, true, {"b": [1, -2, 3.5e-9], "a": "\u00e9"}], "required": false}]}
      },
      "models": {"Tree": ["Tree", [["kids", "kids", {"kind": "array", "inner": [{"kind": "model", "name": "Tree"}]}, false, true, false, null, [1e40]]], "a tree"]},
      "enums": {"Color": {"name": "Color", "values": ["red", 1, null, true, 1.5e300, {"x": {}}], "doc": "c"}}})");
    ASSERT_TRUE(g) << g.error().display();
    expect_round_trip(*g);
}

TEST(Writer, RoundTripOfSyntheticGraph) {
    expect_round_trip(bench::make_synthetic_graph(60, 40));
    expect_round_trip(bench::make_synthetic_graph(0, 7));
}

}  // namespace
}  // namespace tolv::schema
