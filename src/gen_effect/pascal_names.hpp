// The PascalCase names under which the Effect client declares models and
// matches references to them, numbered once per generation.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tolv::gen_effect {

class PascalNames {
public:
    using Id = std::uint32_t;
    static constexpr Id none = std::numeric_limits<Id>::max();

    // The number of a PascalCase text, given on first sight.
    Id intern(std::string_view pascal);
    // The number of the PascalCase form of a schema name (a key or a
    // reference), converted once per distinct name.
    Id of(std::string_view name);

    const std::string& text(Id id) const { return texts_[id]; }
    Id size() const { return static_cast<Id>(texts_.size()); }

private:
    struct Hash : std::hash<std::string_view> {
        using is_transparent = void;
    };
    std::deque<std::string> texts_;  // stable, so the views below stay valid
    std::unordered_map<std::string_view, Id> by_text_;
    std::unordered_map<std::string, Id, Hash, std::equal_to<>> by_name_;
};

}  // namespace tolv::gen_effect
