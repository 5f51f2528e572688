#include "cli/command_line/parse_errors.hpp"

#include <algorithm>

namespace tolv::cli {

std::string ParseErrorText::render() const {
    std::string out = "error: ";
    out.append(message).append("\n");
    if (!tips.empty()) out += '\n';
    for (const auto& tip : tips) out.append("  tip: ").append(tip).append("\n");
    if (usage) out.append("\nUsage: ").append(*usage).append("\n");
    out += "\nFor more information, try '--help'.\n";
    return out;
}

double jaro_similarity(std::string_view a, std::string_view b) {
    if (a.empty() && b.empty()) return 1.0;
    if (a.empty() || b.empty()) return 0.0;
    const std::size_t window = std::max(a.size(), b.size()) / 2 > 0 ? std::max(a.size(), b.size()) / 2 - 1 : 0;
    std::vector<bool> a_matched(a.size(), false);
    std::vector<bool> b_matched(b.size(), false);
    std::size_t matches = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const std::size_t lo = i > window ? i - window : 0;
        const std::size_t hi = std::min(b.size(), i + window + 1);
        for (std::size_t j = lo; j < hi; ++j) {
            if (!b_matched[j] && a[i] == b[j]) {
                a_matched[i] = b_matched[j] = true;
                ++matches;
                break;
            }
        }
    }
    if (matches == 0) return 0.0;
    std::size_t transpositions = 0;
    for (std::size_t i = 0, j = 0; i < a.size(); ++i) {
        if (!a_matched[i]) continue;
        while (!b_matched[j]) ++j;
        if (a[i] != b[j]) ++transpositions;
        ++j;
    }
    // Half the transpositions, rounded down: the usual definition counts
    // whole transposed pairs.
    transpositions /= 2;
    const double m = static_cast<double>(matches);
    return (m / static_cast<double>(a.size()) + m / static_cast<double>(b.size()) +
            static_cast<double>(matches - transpositions) / m) /
           3.0;
}

std::optional<std::string_view> most_similar(std::string_view word, std::span<const std::string_view> candidates) {
    std::optional<std::string_view> best;
    double best_score = 0.7;
    for (std::string_view candidate : candidates) {
        double score = jaro_similarity(word, candidate);
        if (score > 0.7 && score >= best_score) {
            best = candidate;
            best_score = score;
        }
    }
    return best;
}

}  // namespace tolv::cli
