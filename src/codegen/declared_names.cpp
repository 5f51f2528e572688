#include "codegen/declared_names.hpp"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "base/utf8.hpp"
#include "codegen/safe_names.hpp"
#include "schema/naming.hpp"

namespace tolv::codegen {
namespace {

using schema::Endpoint;
using schema::EndpointKind;

// The members the plain client's socket class has for itself.
constexpr std::array<std::string_view, 14> kSocketMembers = {
    "connect",        "connectionListeners",
    "disconnect",     "disconnectionListeners",
    "errorListeners", "isConnected",
    "listeners",      "on",
    "onConnect",      "onDisconnect",
    "onError",        "send",
    "sendRaw",        "ws",
};

const char* kind_word(EndpointKind kind) {
    switch (kind) {
        case EndpointKind::Rpc: return "command";
        case EndpointKind::Channel: return "channel";
        case EndpointKind::Upload: return "upload";
        case EndpointKind::Static: return "static route";
        case EndpointKind::Ws: return "websocket";
    }
    return "endpoint";
}

std::string entry(std::string_view what, std::string_view name) { return std::string(what) + " " + quote_debug(name); }

std::string endpoint_entry(const Endpoint& endpoint) { return entry(kind_word(endpoint.kind), endpoint.name); }

// Names taken so far within one scope, each with the entry that took it.
class Taken {
public:
    // The entry that already holds `name`, or null after taking it for `owner`.
    const std::string* take(std::string name, std::string owner) {
        const auto [it, inserted] = owners_.try_emplace(std::move(name), std::move(owner));
        return inserted ? nullptr : &it->second;
    }
    // Every name taken, for `visit`.
    template <class Visit>
    void for_each_name(Visit&& visit) const {
        for (const auto& entry : owners_) visit(entry.first);
    }

private:
    std::unordered_map<std::string, std::string> owners_;
};

// The checks of one graph for one client; the first clash found ends them.
class Declaring {
public:
    explicit Declaring(Client client) : client_(client) {}

    Result<void> model(const schema::ModelDef& model) {
        const std::string owner = entry("model", model.name);
        if (auto declared = declare(type_name(model.name), owner); !declared) return declared;
        Taken wire, source;
        for (const schema::Field& field : model.fields) {
            // The Effect client reads a source key "__proto__" through a symbol;
            // its decoded value cannot hold one.
            if (client_ == Client::Effect && field.wireName == "__proto__") {
                return fail(owner + ": field " + quote_debug(field.sourceName) +
                            " has the wire name \"__proto__\", which Effect Schema cannot decode");
            }
            if (const std::string* other = wire.take(field.wireName, field.sourceName)) {
                return fail(owner + ": fields " + quote_debug(*other) + " and " + quote_debug(field.sourceName) +
                            " both have the wire name " + quote_debug(field.wireName));
            }
            if (const std::string* other = source.take(field.sourceName, field.wireName)) {
                return fail(owner + ": fields " + quote_debug(*other) + " and " + quote_debug(field.wireName) +
                            " both have the source name " + quote_debug(field.sourceName));
            }
        }
        return {};
    }

    Result<void> endpoint(const Endpoint& endpoint) {
        const std::string owner = endpoint_entry(endpoint);
        if (endpoint.kind == EndpointKind::Ws) return websocket(endpoint, owner);
        if (identifier_words(schema::to_camel_case(endpoint.name)).empty()) return empty(owner);
        if (auto declared = declare(function_name(endpoint), owner); !declared) return declared;
        Taken wire, source;
        if (endpoint.kind == EndpointKind::Upload) wire.take(endpoint.multiFile ? "files" : "file", "the upload");
        for (const schema::Param& param : endpoint.params) {
            if (const std::string* other = wire.take(param.wireName, param.sourceName)) {
                return fail(owner + ": parameter " + quote_debug(param.sourceName) + " has the wire name " +
                            quote_debug(param.wireName) + " of " +
                            (*other == "the upload" ? *other : "parameter " + quote_debug(*other)));
            }
            if (const std::string* other = source.take(param.sourceName, param.wireName)) {
                return fail(owner + ": parameters " + quote_debug(*other) + " and " + quote_debug(param.wireName) +
                            " both have the source name " + quote_debug(param.sourceName));
            }
        }
        return {};
    }

    DeclaredNames finish() const {
        std::vector<std::string> names;
        module_.for_each_name([&](const std::string& name) { names.push_back(name); });
        return DeclaredNames(names);
    }

private:
    static Result<void> empty(const std::string& owner) {
        return fail(owner + " leaves no name that can be declared in api.ts");
    }

    Result<void> declare(std::string name, const std::string& owner) {
        if (name.empty()) return empty(owner);
        if (const std::string* other = module_.take(name, owner)) {
            return fail(*other + " and " + owner + " would both be declared as " + name + " in api.ts");
        }
        return {};
    }

    Result<void> websocket(const Endpoint& endpoint, const std::string& owner) {
        const SocketNames names(endpoint, client_);
        if (names.pascal.empty()) return empty(owner);
        for (const std::string* name : {&names.server_events, &names.client_events, &names.socket, &names.factory}) {
            if (auto declared = declare(*name, owner); !declared) return declared;
        }
        if (auto checked = events(owner, "server", "on", endpoint.serverEvents); !checked) return checked;
        return events(owner, "client", "send", endpoint.clientEvents);
    }

    // Event names are interface keys; in the plain client each also names a method.
    Result<void> events(const std::string& owner, std::string_view side, std::string_view prefix,
                        const std::vector<schema::Param>& list) {
        Taken keys, methods;
        const std::string what = std::string(side) + " events ";
        for (const schema::Param& event : list) {
            if (keys.take(event.sourceName, event.sourceName)) {
                return fail(owner + ": two " + what + "are named " + quote_debug(event.sourceName));
            }
            if (client_ != Client::Plain) continue;
            if (identifier_words(schema::to_pascal_case(event.sourceName)).empty()) {
                return fail(owner + ": " + std::string(side) + " event " + quote_debug(event.sourceName) +
                            " leaves no name for its method");
            }
            std::string method = event_method(prefix, event.sourceName);
            if (const std::string* other = methods.take(method, event.sourceName)) {
                return fail(owner + ": " + what + quote_debug(*other) + " and " + quote_debug(event.sourceName) +
                            " would both have the method " + method);
            }
        }
        return {};
    }

    Client client_;
    Taken module_;
};

}  // namespace

std::string type_name(std::string_view schema_name) {
    return declarable(identifier_words(schema::to_pascal_case(schema_name)));
}

std::string function_name(const Endpoint& endpoint) {
    std::string name = identifier_words(schema::to_camel_case(endpoint.name));
    if (endpoint.kind == EndpointKind::Static) name += "Url";
    return declarable(std::move(name));
}

SocketNames::SocketNames(const Endpoint& endpoint, Client client)
    : pascal(identifier_words(schema::to_pascal_case(endpoint.name))),
      server_events(declarable(pascal + "ServerEvents")),
      client_events(declarable(pascal + "ClientEvents")),
      socket(declarable(pascal + "Socket")),
      factory(client == Client::Plain ? "create" + pascal + "Socket" : "connect" + pascal) {}

std::string event_method(std::string_view prefix, std::string_view event_name) {
    std::string method(prefix);
    method += identifier_words(schema::to_pascal_case(event_name));
    if (std::ranges::find(kSocketMembers, method) != kSocketMembers.end()) method += '_';
    return method;
}

std::string DeclaredNames::import_name(std::string_view name) const {
    return contains(name) ? "_" + std::string(name) : std::string(name);
}

std::string DeclaredNames::global_name(std::string_view name) const {
    return contains(name) ? "globalThis." + std::string(name) : std::string(name);
}

Result<DeclaredNames> declare_names(const schema::ApiGraph& graph, Client client) {
    Declaring declaring(client);
    for (const auto& [key, model] : graph.models) {
        if (auto checked = declaring.model(model); !checked) return std::unexpected(std::move(checked.error()));
    }
    for (const auto& [key, endpoint] : graph.endpoints) {
        if (auto checked = declaring.endpoint(endpoint); !checked) return std::unexpected(std::move(checked.error()));
    }
    return declaring.finish();
}

}  // namespace tolv::codegen
