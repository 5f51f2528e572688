// The names taken within one small scope (the members of a union, the fields
// of a model), each with a value: compared in turn while they are few,
// hashed once there are more. Names are views; their text must outlive it.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace tolv::codegen {

template <class Value>
class NameScope {
public:
    void clear() {
        few_count_ = 0;
        many_.clear();
    }

    // The value of `name` when it is taken already; otherwise takes it with
    // `value` and returns null.
    const Value* take(std::string_view name, Value value) {
        if (few_count_ < kFew) {
            for (std::size_t i = 0; i < few_count_; ++i) {
                if (few_[i].first == name) return &few_[i].second;
            }
            few_[few_count_++] = {name, std::move(value)};
            return nullptr;
        }
        if (many_.empty()) many_.insert(few_.begin(), few_.end());
        const auto [it, inserted] = many_.try_emplace(name, std::move(value));
        return inserted ? nullptr : &it->second;
    }

    bool contains(std::string_view name) const {
        if (!many_.empty()) return many_.contains(name);
        for (std::size_t i = 0; i < few_count_; ++i) {
            if (few_[i].first == name) return true;
        }
        return false;
    }

private:
    static constexpr std::size_t kFew = 16;
    // In place, so a scope of a few names allocates nothing.
    std::array<std::pair<std::string_view, Value>, kFew> few_{};
    std::size_t few_count_ = 0;
    std::unordered_map<std::string_view, Value> many_;
};

}  // namespace tolv::codegen
