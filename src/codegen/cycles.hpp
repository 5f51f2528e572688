// Reference cycles among models, found once per generation.
#pragma once

#include <cstdint>
#include <vector>

namespace tolv::codegen {

// Directed edges by node: edges[v] lists the nodes v refers to.
using Edges = std::vector<std::vector<std::uint32_t>>;

struct Components {
    std::vector<std::uint32_t> of;  // the strongly connected component of every node
    std::vector<bool> on_cycle;     // the node can reach itself again
};

// Tarjan's algorithm, with an explicit stack so that long chains of
// references cannot exhaust the call stack; linear in nodes and edges.
Components strongly_connected_components(const Edges& edges);

}  // namespace tolv::codegen
