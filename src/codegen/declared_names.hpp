// The names a client declares at the top level of its api.ts, taken from the
// schema, and the check that no two schema entries take one name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/error.hpp"
#include "codegen/model_table.hpp"
#include "codegen/safe_names.hpp"
#include "schema/endpoint.hpp"
#include "schema/graph.hpp"

namespace tolv::codegen {

enum class Client : std::uint8_t { Plain, Effect };

// How errors name a schema entry or a part of one: `what "name"`, the name
// quoted with its escapes.
std::string entry_text(std::string_view what, std::string_view name);

// How errors name an endpoint of this kind: "command", "channel", "upload",
// "static route" or "websocket".
const char* endpoint_kind_word(schema::EndpointKind kind);

// The refusal of an entry whose name leaves nothing to declare in api.ts.
Error no_declarable_name(std::string_view what, std::string_view name);

// The type name of a model, in its declaration and in every reference to it:
// the PascalCase name made a declarable identifier; empty when nothing of it
// can stand in an identifier.
std::string type_name(std::string_view schema_name);

// The types and the factory of a websocket endpoint, after the identifier
// form of its PascalCase name.
struct SocketNames {
    SocketNames(const schema::Endpoint& endpoint, Client client);
    std::string pascal, server_events, client_events, socket, factory;
};

// A method of the plain client's socket class for one event: `prefix` ("on"
// or "send") and the event's PascalCase name; a name the class already has
// for itself gets "_" after it.
std::string event_method(std::string_view prefix, std::string_view event_name);

// Every top-level name the schema declares in one client's module, and how
// the module reaches its own imports and the globals it uses when a schema
// name has taken theirs.
class DeclaredNames {
    struct Hash : std::hash<std::string_view> {
        using is_transparent = void;
    };

public:
    // Each name with the schema entry that declares it: what it is ("model",
    // "command", ...) and its name in the schema.
    using Owner = std::pair<const char*, std::string_view>;
    using Map = std::unordered_map<std::string, Owner, Hash, std::equal_to<>>;

    DeclaredNames() = default;
    DeclaredNames(Map names, FewNames reexported) : names_(std::move(names)), reexported_(std::move(reexported)) {}

    bool contains(std::string_view name) const { return names_.contains(name); }

    // The function of an endpoint: its camelCase name, with "Url" after it
    // for a static route, and "_" after a reserved word or a name the module
    // re-exports from its runtime, so that the runtime's name keeps its
    // meaning for users.
    std::string function_name(const schema::Endpoint& endpoint) const;

    // An import of the module: the name itself, or "_name" when the schema
    // declares that name. No schema name starts with "_" and a letter.
    std::string import_name(std::string_view name) const;
    // A global: the name itself, or "globalThis.name" when the schema
    // declares that name ("globalThis" itself no declaration can take).
    std::string global_name(std::string_view name) const;

private:
    Map names_;
    FewNames reexported_;
};

// The names `client` declares for the schema, or an error naming the two
// entries that would take one name: two top-level declarations, two fields
// of a model with one key, two parameters of an endpoint, two events of a
// websocket; or the entry that leaves no name at all; or a parameter or model
// field whose wire name is "__proto__", which the caller's object literal
// would take as the prototype; or a model reference that names no model
// (ModelReferences), each entry's references checked before its names.
// `models` is the graph's model table, whose type names the models declare;
// `reexported` the names the module exports again from its runtime, which no
// endpoint's function takes (DeclaredNames::function_name). A model keeps
// its type name: the module then does not export the runtime's.
Result<DeclaredNames> declare_names(const schema::ApiGraph& graph, const ModelTable& models, Client client,
                                    FewNames reexported);

}  // namespace tolv::codegen
