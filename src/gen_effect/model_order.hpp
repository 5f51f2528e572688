// The order in which the Effect client declares its model schemas: a model's
// constant must exist before a constant that uses it, except along cycles.
#pragma once

#include <cstdint>
#include <vector>

#include "codegen/cycles.hpp"
#include "codegen/model_table.hpp"

namespace tolv::gen_effect {

// Nodes numbered in the byte order of their names, each with the nodes it
// depends on: the smallest ready number goes next, then every node on a
// cycle or depending on one, in number order. Linear but for the heap.
std::vector<std::uint32_t> dependency_order(const codegen::Edges& dependencies);

struct Declaration {
    codegen::ModelTable::Index model;
    bool self_referring;  // refers to itself, directly or through a cycle
};

struct ModelOrder {
    std::vector<Declaration> declarations;
    // By type name: the position of the model declaring it, or
    // lowering::ModelScope::undeclared.
    std::vector<std::size_t> positions;
};

// One declaration per model, ordered by type name; a model depends on the
// models its fields refer to (ModelTable::resolve), anywhere in their types.
// Type names are unique among the models (codegen::declare_names).
ModelOrder order_models(const codegen::ModelTable& models);

}  // namespace tolv::gen_effect
