// Command-line error messages: "error: ", what is wrong, tips, the usage and
// a hint to ask for help.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tolv::cli {

struct ParseErrorText {
    std::string message;               // may span lines
    std::vector<std::string> tips;     // each printed as "  tip: ..."
    std::optional<std::string> usage;  // without "Usage: "

    std::string render() const;
};

// Jaro similarity of two byte strings, in [0, 1].
double jaro_similarity(std::string_view a, std::string_view b);

// The most similar candidate scoring above 0.7 (the later one on a tie).
std::optional<std::string_view> most_similar(std::string_view word, std::span<const std::string_view> candidates);

}  // namespace tolv::cli
