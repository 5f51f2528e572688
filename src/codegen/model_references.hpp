// The check that every model a client names in its api.ts is declared there.
#pragma once

#include "base/error.hpp"
#include "codegen/model_table.hpp"
#include "schema/endpoint.hpp"
#include "schema/graph.hpp"

namespace tolv::codegen {

// Fails on the first model reference of an entry, its types taken in order,
// that resolves to no model (ModelTable::resolve). Only the types a client
// prints are looked at: model fields, parameters, command and upload
// results, channel items and websocket events; of a record its value (its
// key never prints a model name), of an array its element.
class ModelReferences {
public:
    explicit ModelReferences(const ModelTable& models) : models_(models) {}

    Result<void> check(const schema::ModelDef& model) const;
    Result<void> check(const schema::Endpoint& endpoint) const;

private:
    // The first bad reference within `ty`, or null.
    const schema::TypeRef* find(const schema::TypeRef& ty) const;
    // The error for the bad `reference` found in the slot `where`; the model
    // it means refused instead when that model leaves no type name at all.
    Error error(std::string where, const schema::TypeRef& reference) const;

    const ModelTable& models_;
};

}  // namespace tolv::codegen
