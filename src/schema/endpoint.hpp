// Endpoint records: the backend's callable operations and their parameters.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "schema/json_value.hpp"
#include "schema/types.hpp"

namespace tolv::schema {

// Declaration order is the tag order (0 to 4) and the "unknown variant" list order.
enum class EndpointKind { Rpc, Channel, Upload, Static, Ws };

// An argument of an operation, and also one event of a websocket.
struct Param {
    std::string sourceName;
    std::string wireName;
    TypeRef ty;
    bool required = false;
    std::optional<JsonValue> default_value;  // JSON key "default"

    friend bool operator==(const Param&, const Param&) = default;
};

struct Endpoint {
    std::string name;
    EndpointKind kind = EndpointKind::Rpc;
    std::optional<std::string> module;
    std::optional<std::string> doc;
    std::vector<Param> params;
    TypeRef returns;
    std::optional<TypeRef> channelItem;
    std::optional<std::string> fileParam;
    bool multiFile = false;
    std::optional<std::uint64_t> maxSize;
    std::vector<std::string> allowedTypes;
    std::vector<Param> serverEvents;
    std::vector<Param> clientEvents;

    friend bool operator==(const Endpoint&, const Endpoint&) = default;
};

// The JSON names of the kinds, in declaration order.
inline constexpr std::array<std::string_view, 5> kEndpointKindNames = {"rpc", "channel", "upload", "static", "ws"};

constexpr std::string_view endpoint_kind_name(EndpointKind kind) {
    return kEndpointKindNames[static_cast<std::size_t>(kind)];
}

}  // namespace tolv::schema
