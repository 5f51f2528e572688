// The check that every model a client names in its api.ts is declared there.
#pragma once

#include "base/error.hpp"
#include "codegen/model_table.hpp"
#include "schema/graph.hpp"

namespace tolv::codegen {

// Fails on the first model reference, in model-key then endpoint-key order
// and each entry's types in order, that is not exactly a key of `models`, or
// whose model declares another type name than the reference prints. Only the
// types a client prints are looked at: model fields, parameters, command and
// upload results, channel items and websocket events; of a record its value
// (its key never prints a model name), of an array its element.
Result<void> check_model_references(const schema::ApiGraph& graph, const ModelTable& models);

}  // namespace tolv::codegen
