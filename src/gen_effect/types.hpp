// The two texts every type of the Effect client needs.
#pragma once

#include <string>

namespace tolv::gen_effect::types {

// A TypeScript type and the Effect Schema expression that decodes it.
struct TypeExpr {
    std::string ts;
    std::string schema;

    friend bool operator==(const TypeExpr&, const TypeExpr&) = default;
};

}  // namespace tolv::gen_effect::types
