// The declaration order of the model schemas.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tolv::gen_effect::topological {

// Model name to the names of the models it refers to.
using DependencyMap = std::map<std::string, std::set<std::string>>;

// Every key once: the byte-wise smallest topological order of the models that
// do not reach a cycle, then the rest (cycles and their dependents) in name order.
// References to names that are not keys are ignored.
std::vector<std::string> sort_models(const DependencyMap& deps);

// The keys that lie on a reference cycle: in a strongly connected component of
// two or more models, or referring to themselves. Linear in models and references.
std::set<std::string> models_on_cycles(const DependencyMap& deps);

}  // namespace tolv::gen_effect::topological
