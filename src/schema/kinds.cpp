#include "schema/endpoint.hpp"
#include "schema/types.hpp"

namespace tolv::schema {

const char* type_kind_name(TypeKind kind) {
    switch (kind) {
        case TypeKind::Primitive: return "primitive";
        case TypeKind::Array: return "array";
        case TypeKind::Record: return "record";
        case TypeKind::Tuple: return "tuple";
        case TypeKind::Union: return "union";
        case TypeKind::Literal: return "literal";
        case TypeKind::Model: return "model";
        case TypeKind::Enum: return "enum";
        case TypeKind::Any: return "any";
        case TypeKind::Void: return "void";
    }
    return "any";
}

const char* endpoint_kind_name(EndpointKind kind) {
    switch (kind) {
        case EndpointKind::Rpc: return "rpc";
        case EndpointKind::Channel: return "channel";
        case EndpointKind::Upload: return "upload";
        case EndpointKind::Static: return "static";
        case EndpointKind::Ws: return "ws";
    }
    return "rpc";
}

}  // namespace tolv::schema
