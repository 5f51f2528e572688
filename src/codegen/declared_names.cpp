#include "codegen/declared_names.hpp"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "base/utf8.hpp"
#include "codegen/model_references.hpp"
#include "codegen/name_scope.hpp"
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

// A schema entry, put in words only when an error names it.
struct Entry {
    const char* what;
    std::string_view name;

    std::string text() const { return entry_text(what, name); }
};

// The function of an endpoint from the identifier words of its camelCase
// name: "Url" after a static route's, "_" after a name the module re-exports.
// declarable leaves those names as they are and makes no other name one of
// them (it only adds "_"), so they are looked for before it.
std::string function_name_of(std::string&& words, EndpointKind kind, const FewNames& reexported) {
    if (kind == EndpointKind::Static) {
        words += "Url";
    } else if (reexported.contains(words)) {
        words += '_';
    }
    return declarable(std::move(words));
}

// Names within one model, endpoint or event list, each with the other name
// of the field, parameter or event that took it; views into the graph.
using Scope = NameScope<std::string_view>;

// The checks of one graph for one client; the first clash found ends them.
// Scopes are reused, so the check allocates per name, not per model.
class Declaring {
public:
    Declaring(Client client, const ModelTable& models, FewNames reexported, std::size_t expected)
        : client_(client), references_(models), reexported_(std::move(reexported)) {
        module_.reserve(expected);
    }

    Result<void> model(const schema::ModelDef& model, const std::string& name) {
        if (auto checked = references_.check(model); !checked) return checked;
        const Entry owner{"model", model.name};
        if (auto declared = declare(name, owner); !declared) return declared;
        wire_.clear();
        source_.clear();
        for (const schema::Field& field : model.fields) {
            if (field.wireName == kProto) return proto(owner, "field", field.sourceName);
            if (const std::string_view* other = wire_.take(field.wireName, field.sourceName)) {
                return fail(owner.text() + ": fields " + quote_debug(*other) + " and " + quote_debug(field.sourceName) +
                            " both have the wire name " + quote_debug(field.wireName));
            }
            if (const std::string_view* other = source_.take(field.sourceName, field.wireName)) {
                return fail(owner.text() + ": fields " + quote_debug(*other) + " and " + quote_debug(field.wireName) +
                            " both have the source name " + quote_debug(field.sourceName));
            }
        }
        return {};
    }

    Result<void> endpoint(const Endpoint& endpoint) {
        if (auto checked = references_.check(endpoint); !checked) return checked;
        const Entry owner{endpoint_kind_word(endpoint.kind), endpoint.name};
        if (endpoint.kind == EndpointKind::Ws) return websocket(endpoint, owner);
        std::string words = identifier_words(schema::to_camel_case(endpoint.name));
        if (words.empty()) return empty(owner);
        if (auto declared = declare(function_name_of(std::move(words), endpoint.kind, reexported_), owner); !declared) {
            return declared;
        }
        wire_.clear();
        source_.clear();
        const std::string_view file = endpoint.multiFile ? "files" : "file";
        for (const schema::Param& param : endpoint.params) {
            if (param.wireName == kProto) return proto(owner, "parameter", param.sourceName);
            if (endpoint.kind == EndpointKind::Upload && param.wireName == file) {
                return fail(owner.text() + ": parameter " + quote_debug(param.sourceName) + " has the wire name " +
                            quote_debug(param.wireName) + " of the uploaded file");
            }
            if (const std::string_view* other = wire_.take(param.wireName, param.sourceName)) {
                return fail(owner.text() + ": parameters " + quote_debug(*other) + " and " +
                            quote_debug(param.sourceName) + " both have the wire name " + quote_debug(param.wireName));
            }
            if (const std::string_view* other = source_.take(param.sourceName, param.wireName)) {
                return fail(owner.text() + ": parameters " + quote_debug(*other) + " and " +
                            quote_debug(param.wireName) + " both have the source name " +
                            quote_debug(param.sourceName));
            }
        }
        return {};
    }

    DeclaredNames finish() { return DeclaredNames(std::move(module_), std::move(reexported_)); }

private:
    // In a caller's object literal the key "__proto__" sets the prototype
    // instead of a member, so the value would never be sent.
    static constexpr std::string_view kProto = "__proto__";
    static Result<void> proto(const Entry& owner, std::string_view what, std::string_view source_name) {
        return fail(owner.text() + " " + entry_text(what, source_name) + " has the wire name \"__proto__\"");
    }

    static Result<void> empty(const Entry& owner) {
        return std::unexpected(no_declarable_name(owner.what, owner.name));
    }

    Result<void> declare(std::string name, const Entry& owner) {
        if (name.empty()) return empty(owner);
        const auto [it, inserted] = module_.try_emplace(std::move(name), owner.what, owner.name);
        if (inserted) return {};
        const Entry other{it->second.first, it->second.second};
        return fail(other.text() + " and " + owner.text() + " would both be declared as " + it->first + " in api.ts");
    }

    Result<void> websocket(const Endpoint& endpoint, const Entry& owner) {
        const SocketNames names(endpoint, client_);
        if (names.pascal.empty()) return empty(owner);
        for (const std::string* name : {&names.server_events, &names.client_events, &names.socket, &names.factory}) {
            if (auto declared = declare(*name, owner); !declared) return declared;
        }
        if (auto checked = events(owner, "server", "on", endpoint.serverEvents); !checked) return checked;
        return events(owner, "client", "send", endpoint.clientEvents);
    }

    // Event names are interface keys; in the plain client each also names a method.
    Result<void> events(const Entry& owner, std::string_view side, std::string_view prefix,
                        const std::vector<schema::Param>& list) {
        wire_.clear();
        methods_.clear();
        for (const schema::Param& event : list) {
            if (wire_.take(event.sourceName, event.sourceName)) {
                return fail(owner.text() + ": two " + std::string(side) + " events are named " +
                            quote_debug(event.sourceName));
            }
            if (client_ != Client::Plain) continue;
            if (identifier_words(schema::to_pascal_case(event.sourceName)).empty()) {
                return fail(owner.text() + ": " + std::string(side) + " event " + quote_debug(event.sourceName) +
                            " leaves no name for its method");
            }
            const auto [it, inserted] = methods_.try_emplace(event_method(prefix, event.sourceName), event.sourceName);
            if (!inserted) {
                return fail(owner.text() + ": " + std::string(side) + " events " + quote_debug(it->second) + " and " +
                            quote_debug(event.sourceName) + " would both have the method " + it->first);
            }
        }
        return {};
    }

    Client client_;
    ModelReferences references_;
    FewNames reexported_;
    DeclaredNames::Map module_;
    Scope wire_, source_;
    std::unordered_map<std::string, std::string_view> methods_;
};

}  // namespace

std::string entry_text(std::string_view what, std::string_view name) {
    return std::string(what) + " " + quote_debug(name);
}

Error no_declarable_name(std::string_view what, std::string_view name) {
    return Error(entry_text(what, name) + " leaves no name that can be declared in api.ts");
}

const char* endpoint_kind_word(EndpointKind kind) {
    switch (kind) {
        case EndpointKind::Rpc: return "command";
        case EndpointKind::Channel: return "channel";
        case EndpointKind::Upload: return "upload";
        case EndpointKind::Static: return "static route";
        case EndpointKind::Ws: return "websocket";
    }
    return "endpoint";
}

std::string type_name(std::string_view schema_name) {
    return declarable(identifier_words(schema::to_pascal_case(schema_name)));
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

std::string DeclaredNames::function_name(const Endpoint& endpoint) const {
    return function_name_of(identifier_words(schema::to_camel_case(endpoint.name)), endpoint.kind, reexported_);
}

std::string DeclaredNames::import_name(std::string_view name) const {
    std::string text(contains(name) ? "_" : "");
    return text.append(name);
}

std::string DeclaredNames::global_name(std::string_view name) const {
    std::string text(contains(name) ? "globalThis." : "");
    return text.append(name);
}

Result<DeclaredNames> declare_names(const schema::ApiGraph& graph, const ModelTable& models, Client client,
                                    FewNames reexported) {
    Declaring declaring(client, models, std::move(reexported), graph.models.size() + 4 * graph.endpoints.size());
    for (ModelTable::Index m = 0; m < models.size(); ++m) {
        if (auto checked = declaring.model(models.model(m), models.type_name(m)); !checked) {
            return std::unexpected(std::move(checked.error()));
        }
    }
    for (const auto& [key, endpoint] : graph.endpoints) {
        if (auto checked = declaring.endpoint(endpoint); !checked) return std::unexpected(std::move(checked.error()));
    }
    return declaring.finish();
}

}  // namespace tolv::codegen
