#include <algorithm>
#include <optional>
#include <string_view>

#include "gen_effect/topological.hpp"

namespace tolv::gen_effect::topological {

namespace {

constexpr std::size_t unvisited = static_cast<std::size_t>(-1);

// Tarjan's algorithm with an explicit stack, so that long reference chains
// cannot overflow the call stack.
class ComponentFinder {
public:
    explicit ComponentFinder(const std::vector<std::vector<std::size_t>>& edges)
        : edges_(edges),
          index_(edges.size(), unvisited),
          low_(edges.size(), 0),
          on_stack_(edges.size(), false),
          component_(edges.size(), 0) {}

    // Component number of every node; nodes of one component share it.
    std::vector<std::size_t> run() {
        for (std::size_t node = 0; node < edges_.size(); ++node) {
            if (index_[node] == unvisited) visit(node);
        }
        return component_;
    }

private:
    struct Frame {
        std::size_t node;
        std::size_t next_edge;
    };

    void enter(std::size_t node, std::vector<Frame>& frames) {
        index_[node] = low_[node] = counter_++;
        stack_.push_back(node);
        on_stack_[node] = true;
        frames.push_back({node, 0});
    }

    void visit(std::size_t root) {
        std::vector<Frame> frames;
        enter(root, frames);
        while (!frames.empty()) {
            Frame& frame = frames.back();
            const std::size_t node = frame.node;
            if (frame.next_edge < edges_[node].size()) {
                const std::size_t target = edges_[node][frame.next_edge++];
                if (index_[target] == unvisited)
                    enter(target, frames);
                else if (on_stack_[target])
                    low_[node] = std::min(low_[node], index_[target]);
                continue;
            }
            frames.pop_back();
            if (!frames.empty()) low_[frames.back().node] = std::min(low_[frames.back().node], low_[node]);
            if (low_[node] != index_[node]) continue;
            std::size_t member = 0;
            do {
                member = stack_.back();
                stack_.pop_back();
                on_stack_[member] = false;
                component_[member] = components_;
            } while (member != node);
            ++components_;
        }
    }

    const std::vector<std::vector<std::size_t>>& edges_;
    std::vector<std::size_t> index_;
    std::vector<std::size_t> low_;
    std::vector<bool> on_stack_;
    std::vector<std::size_t> component_;
    std::vector<std::size_t> stack_;
    std::size_t counter_ = 0;
    std::size_t components_ = 0;
};

}  // namespace

std::set<std::string> models_on_cycles(const DependencyMap& deps) {
    std::vector<std::string_view> names;
    names.reserve(deps.size());
    for (const auto& entry : deps) names.push_back(entry.first);

    std::vector<std::vector<std::size_t>> edges(names.size());
    std::vector<bool> self_reference(names.size(), false);
    std::size_t model = 0;
    for (const auto& entry : deps) {
        for (const std::string& ref : entry.second) {
            const auto it = std::lower_bound(names.begin(), names.end(), std::string_view(ref));
            if (it == names.end() || *it != ref) continue;
            const auto target = static_cast<std::size_t>(it - names.begin());
            if (target == model) self_reference[model] = true;
            edges[model].push_back(target);
        }
        ++model;
    }

    const std::vector<std::size_t> component = ComponentFinder(edges).run();
    std::vector<std::size_t> component_size(names.size(), 0);
    for (const std::size_t c : component) ++component_size[c];
    std::set<std::string> cyclic;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (self_reference[i] || component_size[component[i]] > 1) cyclic.emplace_hint(cyclic.end(), names[i]);
    }
    return cyclic;
}

}  // namespace tolv::gen_effect::topological
