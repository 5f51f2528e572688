#include "gen_effect/pascal_names.hpp"

#include "schema/naming.hpp"

namespace tolv::gen_effect {

PascalNames::Id PascalNames::intern(std::string_view pascal) {
    if (const auto found = by_text_.find(pascal); found != by_text_.end()) return found->second;
    const Id id = size();
    by_text_.emplace(texts_.emplace_back(pascal), id);
    return id;
}

PascalNames::Id PascalNames::of(std::string_view name) {
    if (const auto found = by_name_.find(name); found != by_name_.end()) return found->second;
    const Id id = intern(schema::to_pascal_case(name));
    by_name_.emplace(name, id);
    return id;
}

}  // namespace tolv::gen_effect
