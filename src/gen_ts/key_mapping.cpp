#include "gen_ts/key_mapping.hpp"

#include <unordered_set>

namespace tolv::gen_ts {

using schema::TypeKind;
using schema::TypeRef;

namespace {

enum class Direction { Request, Response };

// The model reached by stepping from an array through nested arrays (first
// entry each time), or null when the walk ends anywhere else.
const TypeRef* array_model(const TypeRef& array) {
    const TypeRef* ty = &array;
    while (ty->kind == TypeKind::Array) {
        if (ty->inner.empty()) return nullptr;
        ty = &ty->inner.front();
    }
    return ty->kind == TypeKind::Model ? ty : nullptr;
}

// Appends the mapping expression into one output string, so nested models
// are written once instead of being copied at every level. The expression
// being converted is kept in one buffer that grows by ".key" per model field
// and shrinks back after it.
class Mapper {
public:
    Mapper(const schema::ApiGraph& graph, Direction direction, std::string& out)
        : graph_(graph), direction_(direction), out_(out) {}

    void run(const TypeRef& ty, std::string_view expr, std::size_t depth) {
        expr_.assign(expr);
        append(ty, depth);
    }

private:
    void append(const TypeRef& ty, std::size_t depth) {
        if (ty.kind == TypeKind::Array) {
            append_array(ty, depth);
        } else if (ty.kind == TypeKind::Model) {
            append_model(ty, depth);
        } else {
            out_ += expr_;
        }
    }

    void append_array(const TypeRef& ty, std::size_t depth) {
        out_ += expr_;
        if (array_model(ty) == nullptr) return;
        std::string outer = map_variable(depth);
        out_ += ".map((";
        out_ += outer;
        out_ += direction_ == Direction::Response ? ": any) => (" : ") => (";
        // Inside the lambda the element variable is the expression.
        expr_.swap(outer);
        append(ty.inner.front(), depth + 1);
        expr_.swap(outer);
        out_ += "))";
    }

    void append_model(const TypeRef& ty, std::size_t depth) {
        const schema::ModelDef* model = find_model(ty);
        // A model that refers back to itself (directly or through others)
        // cannot be unrolled inline; its inner occurrences pass through as
        // they are instead of recursing without end.
        if (model == nullptr || !open_models_.insert(model).second) {
            out_ += expr_;
            return;
        }
        const bool request = direction_ == Direction::Request;
        const std::size_t expr_length = expr_.size();
        out_ += "{ ";
        bool first = true;
        for (const schema::Field& field : model->fields) {
            if (!first) out_ += ", ";
            first = false;
            out_ += request ? field.sourceName : field.wireName;
            out_ += ": ";
            expr_ += '.';
            expr_ += request ? field.wireName : field.sourceName;
            append(field.ty, depth);
            expr_.resize(expr_length);
        }
        out_ += " }";
        open_models_.erase(model);
    }

    const schema::ModelDef* find_model(const TypeRef& ty) const {
        if (!ty.name) return nullptr;
        const auto found = graph_.models.find(*ty.name);
        return found == graph_.models.end() ? nullptr : &found->second;
    }

    const schema::ApiGraph& graph_;
    Direction direction_;
    std::string& out_;
    std::string expr_;
    std::unordered_set<const schema::ModelDef*> open_models_;
};

std::string mapping(const TypeRef& ty, std::string_view expr, const schema::ApiGraph& graph, std::size_t depth,
                    Direction direction) {
    std::string out;
    Mapper(graph, direction, out).run(ty, expr, depth);
    return out;
}

}  // namespace

std::string map_variable(std::size_t depth) {
    switch (depth) {
        case 0: return "_item";
        case 1: return "_inner";
        case 2: return "_deep";
        default: return "_item" + std::to_string(depth);
    }
}

std::string request_mapping_at_depth(const TypeRef& ty, std::string_view expr, const schema::ApiGraph& graph,
                                     std::size_t depth) {
    return mapping(ty, expr, graph, depth, Direction::Request);
}

std::string response_mapping_at_depth(const TypeRef& ty, std::string_view expr, const schema::ApiGraph& graph,
                                      std::size_t depth) {
    return mapping(ty, expr, graph, depth, Direction::Response);
}

bool response_needs_conversion(const TypeRef& returns) {
    if (returns.kind == TypeKind::Model) return true;
    return returns.kind == TypeKind::Array && array_model(returns) != nullptr;
}

}  // namespace tolv::gen_ts
