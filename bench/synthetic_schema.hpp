// A deterministic synthetic schema graph for benchmarks and large tests.
#pragma once

#include <cstddef>

#include "schema/graph.hpp"

namespace tolv::bench {

// `models` models and `endpoints` endpoints (plus one enumeration per four
// models) with the shapes real schemas have: primitives, arrays and records
// of models, unions with null, literals, enumeration references, optional
// and nullable fields, docs, default values and wire names that differ from
// source names. Model i refers to models i+1 and i+7 (wrapping), so there
// are reference chains and cycles. Endpoints cycle through every kind.
// The same arguments always give the same graph.
schema::ApiGraph make_synthetic_graph(std::size_t models, std::size_t endpoints);

}  // namespace tolv::bench
