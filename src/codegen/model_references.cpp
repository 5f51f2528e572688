#include "codegen/model_references.hpp"

#include <string>
#include <string_view>

#include "base/utf8.hpp"
#include "codegen/declared_names.hpp"

namespace tolv::codegen {
using schema::TypeKind;
using schema::TypeRef;

const TypeRef* ModelReferences::find(const TypeRef& ty) const {
    switch (ty.kind) {
        // A reference without a name prints "unknown".
        case TypeKind::Model: return !ty.name || models_.resolve(ty.name) != ModelTable::none ? nullptr : &ty;
        case TypeKind::Array: return ty.inner.empty() ? nullptr : find(ty.inner.front());
        case TypeKind::Record: return ty.inner.size() < 2 ? nullptr : find(ty.inner[1]);
        case TypeKind::Tuple:
        case TypeKind::Union:
            for (const TypeRef& inner : ty.inner) {
                if (const TypeRef* bad = find(inner)) return bad;
            }
            return nullptr;
        default: return nullptr;
    }
}

Error ModelReferences::error(std::string where, const TypeRef& reference) const {
    const std::string& name = *reference.name;
    where += " refers to model " + quote_debug(name) + ", which the schema ";
    // A model whose key gives the type name, but whose record names another;
    // or none at all, which is the fault to name.
    const std::string printed = type_name(name);
    for (ModelTable::Index m = 0; m < models_.size(); ++m) {
        if (type_name(models_.key(m)) != printed) continue;
        const std::string& declared = models_.model(m).name;
        if (models_.type_name(m).empty()) return no_declarable_name("model", declared);
        return Error(where + "declares as " + quote_debug(declared));
    }
    return Error(where + "does not define");
}

Result<void> ModelReferences::check(const schema::ModelDef& model) const {
    for (const schema::Field& field : model.fields) {
        if (const TypeRef* bad = find(field.ty)) {
            return std::unexpected(
                error(entry_text("model", model.name) + " " + entry_text("field", field.sourceName), *bad));
        }
    }
    return {};
}

Result<void> ModelReferences::check(const schema::Endpoint& endpoint) const {
    // Put in words only for the error.
    const auto owner = [&] { return entry_text(endpoint_kind_word(endpoint.kind), endpoint.name) + " "; };
    for (const schema::Param& param : endpoint.params) {
        if (const TypeRef* bad = find(param.ty)) {
            return std::unexpected(error(owner() + entry_text("parameter", param.sourceName), *bad));
        }
    }
    const TypeRef* result = nullptr;
    std::string_view slot;
    switch (endpoint.kind) {
        case schema::EndpointKind::Rpc:
        case schema::EndpointKind::Upload:
            result = &endpoint.returns;
            slot = "result";
            break;
        case schema::EndpointKind::Channel:
            if (endpoint.channelItem) result = &*endpoint.channelItem;
            slot = "item";
            break;
        case schema::EndpointKind::Static: break;
        case schema::EndpointKind::Ws:
            for (const auto& [side, events] :
                 {std::pair{"server event", &endpoint.serverEvents}, {"client event", &endpoint.clientEvents}}) {
                for (const schema::Param& event : *events) {
                    if (const TypeRef* bad = find(event.ty)) {
                        return std::unexpected(error(owner() + entry_text(side, event.sourceName), *bad));
                    }
                }
            }
            break;
    }
    if (result != nullptr) {
        if (const TypeRef* bad = find(*result)) return std::unexpected(error(owner() + std::string(slot), *bad));
    }
    return {};
}

}  // namespace tolv::codegen
