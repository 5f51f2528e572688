#include "codegen/declared_names.hpp"

#include <gtest/gtest.h>

#include "schema/json_reader.hpp"

namespace tolv::codegen {
namespace {

// A model holding the given fields, as schema JSON.
std::string model_json(std::string_view name, std::string_view fields) {
    return std::string(R"("models": {")")
        .append(name)
        .append(R"(": {"name": ")")
        .append(name)
        .append(R"(", "fields": [)")
        .append(fields)
        .append("]}}");
}

std::string field_json(std::string_view source, std::string_view wire) {
    return std::string(R"({"sourceName": ")")
        .append(source)
        .append(R"(", "wireName": ")")
        .append(wire)
        .append(R"(", "ty": {"kind": "primitive", "name": "str"}, "required": true})");
}

Result<DeclaredNames> declare(const std::string& members, Client client,
                              const std::vector<std::string_view>& reexported = {}) {
    auto graph = schema::read_api_graph("{" + members + "}");
    EXPECT_TRUE(graph) << graph.error().display();
    return declare_names(*graph, ModelTable(*graph), client, FewNames(reexported));
}

// Every way two schema entries can take one name, and the entry left without one.
TEST(DeclaredNames, ClashesNameBothEntries) {
    struct Case {
        std::string members;
        Client client;
        std::string error;
        std::vector<std::string_view> reexported = {};
    };
    const std::string rpc = R"("kind": "rpc", "returns": {"kind": "void"})";
    const Case cases[] = {
        {R"("endpoints": {"get_user": {"name": "get_user", )" + rpc + R"(}, "getUser": {"name": "getUser", )" + rpc +
             "}}",
         Client::Plain, R"(command "getUser" and command "get_user" would both be declared as getUser in api.ts)"},
        {R"("endpoints": {"st": {"name": "st", "kind": "static", "returns": {"kind": "void"}}, "st_url": {"name": "st_url", )" +
             rpc + "}}",
         Client::Effect, R"(static route "st" and command "st_url" would both be declared as stUrl in api.ts)"},
        {R"("endpoints": {"init_bridge": {"name": "init_bridge", )" + rpc +
             R"(}, "init_bridge_": {"name": "init_bridge_", )" + rpc + "}}",
         Client::Plain,
         R"(command "init_bridge" and command "init_bridge_" would both be declared as initBridge_ in api.ts)",
         {"initBridge"}},
        {R"("endpoints": {"room": {"name": "room", "kind": "ws", "returns": {"kind": "void"}}, "create_room_socket": {"name": "create_room_socket", )" +
             rpc + "}}",
         Client::Plain,
         R"(command "create_room_socket" and websocket "room" would both be declared as createRoomSocket)"},
        {R"("endpoints": {"___": {"name": "___", )" + rpc + "}}", Client::Plain,
         R"(command "___" leaves no name that can be declared in api.ts)"},
        {model_json("person", field_json("first_name", "name") + "," + field_json("given_name", "name")), Client::Plain,
         R"(model "person": fields "first_name" and "given_name" both have the wire name "name")"},
        {model_json("person", field_json("a\\u202Eb", "name") + "," + field_json("c\\u2028", "name")), Client::Plain,
         R"(model "person": fields "a\u{202e}b" and "c\u{2028}" both have the wire name "name")"},
        {model_json("person", field_json("a", "x") + "," + field_json("a", "y")), Client::Effect,
         R"(model "person": fields "x" and "y" both have the source name "a")"},
        {model_json("box", field_json("id", "__proto__")), Client::Effect,
         R"(model "box" field "id" has the wire name "__proto__")"},
        {R"("endpoints": {"x": {"name": "x", )" + rpc + R"(, "params": [)" + field_json("p", "__proto__") + "]}}",
         Client::Plain, R"(command "x" parameter "p" has the wire name "__proto__")"},
        {R"("endpoints": {"up": {"name": "up", "kind": "upload", "returns": {"kind": "void"}, "params": [)" +
             field_json("f", "file") + "]}}",
         Client::Plain, R"(upload "up": parameter "f" has the wire name "file" of the uploaded file)"},
        {R"("endpoints": {"w": {"name": "w", "kind": "ws", "returns": {"kind": "void"}, "serverEvents": [)" +
             field_json("user_joined", "a") + "," + field_json("userJoined", "b") + "]}}",
         Client::Plain,
         R"(websocket "w": server events "user_joined" and "userJoined" would both have the method onUserJoined)"},
        {R"("endpoints": {"w": {"name": "w", "kind": "ws", "returns": {"kind": "void"}, "clientEvents": [)" +
             field_json("e", "a") + "," + field_json("e", "b") + "]}}",
         Client::Effect, R"(websocket "w": two client events are named "e")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        const auto declared = declare(c.members, c.client, c.reexported);
        ASSERT_FALSE(declared) << c.error;
        EXPECT_NE(declared.error().display().find(c.error), std::string::npos) << declared.error().display();
    }
}

// A model reference must name a key of `models` whose model declares the type
// name the reference prints; the first bad one in model then endpoint order
// is named with its slot. Record keys and extra array entries never print.
TEST(DeclaredNames, ModelReferencesNameDeclaredModels) {
    const auto ref = [](std::string_view name) { return R"({"kind": "model", "name": ")" + std::string(name) + "\"}"; };
    const auto typed = [](std::string_view source, const std::string& ty) {
        return R"({"sourceName": ")" + std::string(source) + R"(", "wireName": "w", "required": true, "ty": )" + ty + "}";
    };
    const std::string models = R"("models": {"User": {"name": "User", "fields": []}, "Tag": {"name": "Label", "fields": []}})";
    const std::string unprinted = R"({"kind": "record", "inner": [)" + ref("Nope") + "," + ref("User") +
                                  R"(]}, {"kind": "array", "inner": [)" + ref("User") + "," + ref("Nope") + "]}";
    struct Case {
        std::string endpoints;
        std::string error;  // empty: accepted
    };
    const Case cases[] = {
        {R"("a": {"name": "a", "kind": "rpc", "params": [)" + typed("p", R"({"kind": "tuple", "inner": [)" + unprinted + "]}") +
             R"(], "returns": {"kind": "union", "inner": [{"kind": "primitive", "name": "str"}, )" + ref("usr") + "]}}",
         R"(command "a" result refers to model "usr", which the schema does not define)"},
        // A reference means the model whose record name gives the type name it prints.
        {R"("a": {"name": "a", "kind": "rpc", "params": [)" + typed("p", R"({"kind": "tuple", "inner": [)" + ref("user") + "," + ref("label") + "]}") +
             R"(], "returns": )" + ref("Label") + "}",
         ""},
        {R"("a": {"name": "a", "kind": "upload", "params": [)" + typed("p", R"({"kind": "array", "inner": [)" + ref("Gone") + "]}") +
             R"(], "returns": {"kind": "void"}})",
         R"(upload "a" parameter "p" refers to model "Gone", which the schema does not define)"},
        {R"("c": {"name": "c", "kind": "channel", "returns": {"kind": "void"}, "channelItem": )" + ref("Tag") + "}",
         R"(channel "c" item refers to model "Tag", which the schema declares as "Label")"},
        {R"("w": {"name": "w", "kind": "ws", "returns": {"kind": "void"}, "clientEvents": [)" + typed("e", ref("Nope")) + "]}",
         R"(websocket "w" client event "e" refers to model "Nope", which the schema does not define)"},
        {R"("s": {"name": "s", "kind": "static", "returns": )" + ref("Nope") + R"(, "channelItem": )" + ref("Nope") + "}",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.endpoints);
        for (const Client client : {Client::Plain, Client::Effect}) {
            const auto declared = declare(models + R"(, "endpoints": {)" + c.endpoints + "}", client);
            if (c.error.empty()) {
                EXPECT_TRUE(declared) << declared.error().display();
            } else {
                ASSERT_FALSE(declared);
                EXPECT_EQ(declared.error().display(), c.error);
            }
        }
    }
    // A model field's reference; a model that leaves no type name is refused
    // for that, as it is when an endpoint refers to it.
    const auto model = [&](std::string_view key, std::string_view name, std::string_view target) {
        return "\"" + std::string(key) + R"(": {"name": ")" + std::string(name) + R"(", "fields": [)" +
               typed("f", ref(target)) + "]}";
    };
    const std::pair<std::string, std::string> fields[] = {
        {model("b", "b", "a"), R"(model "b" field "f" refers to model "a", which the schema does not define)"},
        {model("-", "-", "-"), R"(model "-" leaves no name that can be declared in api.ts)"},
        {model("", "", ""), R"(model "" leaves no name that can be declared in api.ts)"},
        {model("a", "a", "~") + "," + model("~", " ", "a"),
         R"(model " " leaves no name that can be declared in api.ts)"},
        {model("a", "a", "b") + "," + model("b", "Label", "a"),
         R"(model "a" field "f" refers to model "b", which the schema declares as "Label")"},
    };
    for (const auto& [json, error] : fields) {
        for (const Client client : {Client::Plain, Client::Effect}) {
            const auto declared = declare(R"("models": {)" + json + "}", client);
            ASSERT_FALSE(declared) << json;
            EXPECT_EQ(declared.error().display(), error);
        }
    }
}

TEST(DeclaredNames, ImportsAndGlobalsStepAsideForSchemaNames) {
    const auto declared = declare(model_json("promise", field_json("a", "a")) + R"(, "endpoints": {"request": {)" +
                                      R"("name": "request", "kind": "rpc", "returns": {"kind": "void"}}})",
                                  Client::Plain);
    ASSERT_TRUE(declared) << declared.error().display();
    EXPECT_EQ(declared->global_name("Promise"), "globalThis.Promise");
    EXPECT_EQ(declared->global_name("Record"), "Record");
    EXPECT_EQ(declared->import_name("request"), "_request");
    EXPECT_EQ(declared->import_name("createChannel"), "createChannel");
    // A socket event named like a member of the class keeps the member.
    EXPECT_EQ(event_method("on", "connect"), "onConnect_");
    EXPECT_EQ(event_method("send", "user:joined"), "sendUserJoined");
}

}  // namespace
}  // namespace tolv::codegen
