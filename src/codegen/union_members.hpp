// Splitting a TypeScript type text into the members of its outermost union.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace tolv::codegen {

// How the members of a union are told apart: the two clients' rules differ
// only on texts that hold braces, unbalanced brackets or "| |".
struct UnionSyntax {
    // Braces hide separators as (), [] and <> do.
    bool braces_nest;
    // Each kind of bracket is counted apart and never below zero; otherwise
    // one signed count serves all of them.
    bool count_per_bracket;
    // One space may end a separator and begin the next, as in "a | | b".
    bool separators_share_spaces;
};

inline constexpr UnionSyntax kPlainUnions{false, true, true};
inline constexpr UnionSyntax kEffectUnions{true, false, false};

// Calls `visit` with each member of the outermost union of `text`: the pieces
// between " | " separators that stand outside brackets and double-quoted
// string literals (where a backslash escapes the next character).
template <class Visit>
void for_each_union_member(std::string_view text, const UnionSyntax& syntax, Visit&& visit) {
    std::array<int, 4> depth{};  // (), [], <>, {}
    bool in_string = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (in_string) {
            if (c == '\\') {
                ++i;  // the escaped character cannot end the literal
            } else if (c == '"') {
                in_string = false;
            }
            continue;
        }
        std::size_t bracket = 0;
        bool opens = false;
        switch (c) {
            case '"': in_string = true; continue;
            case '(': opens = true; [[fallthrough]];
            case ')': bracket = 0; break;
            case '[': opens = true; [[fallthrough]];
            case ']': bracket = 1; break;
            case '<': opens = true; [[fallthrough]];
            case '>': bracket = 2; break;
            case '{': opens = true; [[fallthrough]];
            case '}':
                if (!syntax.braces_nest) continue;
                bracket = 3;
                break;
            case '|': {
                const bool top_level = depth == std::array<int, 4>{};
                const bool spaced = i > 0 && text[i - 1] == ' ' && i + 1 < text.size() && text[i + 1] == ' ';
                if (top_level && spaced && (syntax.separators_share_spaces || i - 1 >= start)) {
                    visit(text.substr(start, i - 1 >= start ? i - 1 - start : 0));
                    start = i + 2;
                }
                continue;
            }
            default: continue;
        }
        int& count = depth[syntax.count_per_bracket ? bracket : 0];
        if (opens) {
            ++count;
        } else if (count > 0 || !syntax.count_per_bracket) {
            --count;
        }
    }
    visit(text.substr(start));
}

}  // namespace tolv::codegen
