// The order in which the Effect client declares its model schemas: a model's
// constant must exist before a constant that uses it, except along cycles.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
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
    // PascalCase type name to the first position that declares it.
    std::unordered_map<std::string_view, std::size_t> position;
};

// Models depend on the models they refer to anywhere in their fields, by
// PascalCase name. One declaration per PascalCase key: the last model in key
// order with that key supplies the references, and the first model in key
// order whose key or name has that form is the one declared.
ModelOrder order_models(const codegen::ModelTable& models);

}  // namespace tolv::gen_effect
