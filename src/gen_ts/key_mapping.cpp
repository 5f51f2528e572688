#include "gen_ts/key_mapping.hpp"

#include "codegen/cycles.hpp"
#include "schema/naming.hpp"

#include <algorithm>
#include <unordered_set>
#include <utility>
#include <vector>

namespace tolv::gen_ts {

using schema::ModelDef;
using schema::TypeKind;
using schema::TypeRef;

namespace {

using Direction = KeyMapper::Direction;

// The model reference reached by stepping from an array through nested
// arrays (first entry each time), or null when the walk ends anywhere else.
const TypeRef* array_model(const TypeRef& array) {
    const TypeRef* ty = &array;
    while (ty->kind == TypeKind::Array) {
        if (ty->inner.empty()) return nullptr;
        ty = &ty->inner.front();
    }
    return ty->kind == TypeKind::Model ? ty : nullptr;
}

const ModelDef* find_model(const schema::ApiGraph& graph, const TypeRef& ty) {
    if (!ty.name) return nullptr;
    const auto found = graph.models.find(*ty.name);
    return found == graph.models.end() ? nullptr : &found->second;
}

// The model a field's conversion expands, if any: the field's own model
// reference, or the one at the bottom of its nested arrays.
const ModelDef* expanded_model(const schema::ApiGraph& graph, const TypeRef& ty) {
    if (ty.kind == TypeKind::Model) return find_model(graph, ty);
    if (ty.kind == TypeKind::Array) {
        const TypeRef* reached = array_model(ty);
        return reached == nullptr ? nullptr : find_model(graph, *reached);
    }
    return nullptr;
}

// The cycle of every model that lies on one, keyed by the component of the
// "conversion expands" relation between models.
std::unordered_map<const ModelDef*, std::size_t> find_cycles(const schema::ApiGraph& graph) {
    std::vector<const ModelDef*> models;
    std::unordered_map<const ModelDef*, std::uint32_t> index_of;
    models.reserve(graph.models.size());
    for (const auto& [key, model] : graph.models) {
        index_of.emplace(&model, static_cast<std::uint32_t>(models.size()));
        models.push_back(&model);
    }
    codegen::Edges edges(models.size());
    for (std::size_t v = 0; v < models.size(); ++v) {
        for (const schema::Field& field : models[v]->fields) {
            if (const ModelDef* target = expanded_model(graph, field.ty)) edges[v].push_back(index_of.at(target));
        }
    }
    const codegen::Components components = codegen::strongly_connected_components(edges);
    std::unordered_map<const ModelDef*, std::size_t> cycle_of;
    for (std::size_t v = 0; v < models.size(); ++v) {
        if (components.on_cycle[v]) cycle_of.emplace(models[v], components.of[v]);
    }
    return cycle_of;
}

// Appends the mapping expression into one output string, so nested models
// are written once instead of being copied at every level. The expression
// being converted is kept in one buffer that grows by ".key" per model field
// and shrinks back after it.
//
// Models are walked with an explicit stack of frames rather than by
// recursion: a chain of model references is not bounded by the nesting of
// the schema document, and a long one would otherwise exhaust the stack.
class Mapper {
public:
    // `untyped`: the expression converted is of type any (a helper's
    // parameter), so lambda parameters get an explicit any as well.
    Mapper(const KeyMapper& keys, Direction direction, std::string& out, bool untyped = false)
        : keys_(keys), direction_(direction), out_(out), untyped_(untyped) {}

    void run(const TypeRef& ty, std::string_view expr, std::size_t depth, bool may_be_absent) {
        expr_.assign(expr);
        enter(ty, depth, may_be_absent || can_be_absent(ty));
        while (!frames_.empty()) step();
    }

private:
    // An open model expansion, or (model null) an array's element lambda
    // whose element has been written.
    struct Frame {
        const ModelDef* model = nullptr;
        std::size_t next_field = 0;
        std::size_t depth = 0;
        std::size_t expr_length = 0;       // model: expr_ without a field suffix
        std::optional<std::size_t> cycle;  // model: the cycle it opened
        std::string outer_expr;            // array: the expression being mapped
    };

    static bool can_be_absent(const TypeRef& ty) { return ty.optional || ty.nullable; }

    // Writes what comes before the members of `ty`'s conversion, pushing a
    // frame when members follow; writes the whole of it otherwise.
    void enter(const TypeRef& ty, std::size_t depth, bool may_be_absent) {
        if (ty.kind == TypeKind::Array) {
            enter_array(ty, depth, may_be_absent);
        } else if (ty.kind == TypeKind::Model) {
            enter_model(ty, depth, may_be_absent);
        } else {
            out_ += expr_;
        }
    }

    // A value that may be null or undefined is passed through as it is
    // instead of having its members read.
    void append_absent_guard() {
        out_ += expr_;
        out_ += " == null ? ";
        out_ += expr_;
        out_ += " : ";
    }

    void enter_array(const TypeRef& ty, std::size_t depth, bool may_be_absent) {
        const TypeRef* element = array_model(ty);
        if (element == nullptr) {
            out_ += expr_;
            return;
        }
        if (may_be_absent) append_absent_guard();
        out_ += expr_;
        std::string variable = map_variable(depth);
        out_ += ".map((";
        out_ += variable;
        out_ += direction_ == Direction::Response || untyped_ ? ": any) => (" : ") => (";
        // Inside the lambda the element variable is the expression.
        Frame frame;
        frame.outer_expr = std::exchange(expr_, std::move(variable));
        frames_.push_back(std::move(frame));
        // Recurses only through directly nested arrays, which the schema's
        // nesting limit bounds.
        enter(ty.inner.front(), depth + 1, can_be_absent(ty.inner.front()));
    }

    void enter_model(const TypeRef& ty, std::size_t depth, bool may_be_absent) {
        const ModelDef* model = find_model(keys_.graph(), ty);
        if (model == nullptr) {
            out_ += expr_;
            return;
        }
        if (may_be_absent) append_absent_guard();
        if (in_open_cycle(model)) {
            // Inline text cannot unroll a cycle: the model is converted by a
            // function of the module that calls itself as deep as the data goes.
            out_ += keys_.helper_for(*model, direction_);
            out_ += '(';
            out_ += expr_;
            out_ += ')';
            return;
        }
        Frame frame;
        frame.model = model;
        frame.depth = depth;
        frame.expr_length = expr_.size();
        frame.cycle = keys_.cycle_of(*model);
        if (frame.cycle) open_cycles_.insert(*frame.cycle);
        out_ += "{ ";
        frames_.push_back(std::move(frame));
    }

    // Advances the top frame by one member, or closes it.
    void step() {
        Frame& frame = frames_.back();
        if (frame.model == nullptr) {
            out_ += "))";
            expr_ = std::move(frame.outer_expr);
            frames_.pop_back();
            return;
        }
        expr_.resize(frame.expr_length);
        if (frame.next_field == frame.model->fields.size()) {
            out_ += " }";
            if (frame.cycle) open_cycles_.erase(*frame.cycle);
            frames_.pop_back();
            return;
        }
        const schema::Field& field = frame.model->fields[frame.next_field];
        if (frame.next_field++ != 0) out_ += ", ";
        const bool request = direction_ == Direction::Request;
        out_ += request ? field.sourceName : field.wireName;
        out_ += ": ";
        expr_ += '.';
        expr_ += request ? field.wireName : field.sourceName;
        // `frame` may dangle once enter pushes a frame.
        const std::size_t depth = frame.depth;
        enter(field.ty, depth, field.optional || !field.required || field.nullable || can_be_absent(field.ty));
    }

    // A model of a cycle that is being expanded further out.
    bool in_open_cycle(const ModelDef* model) const {
        const std::optional<std::size_t> cycle = keys_.cycle_of(*model);
        return cycle && open_cycles_.contains(*cycle);
    }

    const KeyMapper& keys_;
    Direction direction_;
    std::string& out_;
    bool untyped_;
    std::string expr_;
    std::vector<Frame> frames_;
    std::unordered_set<std::size_t> open_cycles_;
};

}  // namespace

KeyMapper::KeyMapper(const schema::ApiGraph& graph) : graph_(graph), cycle_of_(find_cycles(graph)) {
    for (const auto& [key, model] : graph.models) model_keys_.emplace(&model, &key);
}

const std::string& KeyMapper::helper_key(const ModelDef& model) const { return *model_keys_.at(&model); }

std::string KeyMapper::request(const TypeRef& ty, std::string_view expr, std::size_t depth, bool may_be_absent) const {
    std::string out;
    Mapper(*this, Direction::Request, out).run(ty, expr, depth, may_be_absent);
    return out;
}

std::string KeyMapper::response(const TypeRef& ty, std::string_view expr, std::size_t depth) const {
    std::string out;
    Mapper(*this, Direction::Response, out).run(ty, expr, depth, false);
    return out;
}

const std::string& KeyMapper::helper_for(const ModelDef& model, Direction direction) const {
    const auto key = std::make_pair(&model, direction);
    if (const auto found = helper_names_.find(key); found != helper_names_.end()) return found->second;
    const std::string base =
        (direction == Direction::Request ? "_toSource" : "_toWire") + schema::to_pascal_case(model.name);
    std::string name = base;
    // Models whose names give the same PascalCase text get distinct helpers.
    for (std::size_t n = 2; !helper_names_taken_.insert(name).second; ++n) name = base + "_" + std::to_string(n);
    helpers_.push_back({&model, direction, name, {}});
    return helper_names_.emplace(key, std::move(name)).first->second;
}

std::vector<KeyMapper::Helper> KeyMapper::take_helpers() const {
    std::vector<Helper> done;
    // Writing a helper's body can ask for further helpers; they are appended.
    for (std::size_t i = 0; i < helpers_.size(); ++i) {
        TypeRef ref;
        ref.kind = TypeKind::Model;
        ref.name = helper_key(*helpers_[i].model);
        std::string body;
        Mapper(*this, helpers_[i].direction, body, true).run(ref, "_v", 0, false);
        helpers_[i].body = std::move(body);
    }
    done.swap(helpers_);
    return done;
}

std::optional<std::size_t> KeyMapper::cycle_of(const ModelDef& model) const {
    const auto found = cycle_of_.find(&model);
    if (found == cycle_of_.end()) return std::nullopt;
    return found->second;
}

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
    return KeyMapper(graph).request(ty, expr, depth);
}

std::string response_mapping_at_depth(const TypeRef& ty, std::string_view expr, const schema::ApiGraph& graph,
                                      std::size_t depth) {
    return KeyMapper(graph).response(ty, expr, depth);
}

bool response_needs_conversion(const TypeRef& returns) {
    if (returns.kind == TypeKind::Model) return true;
    return returns.kind == TypeKind::Array && array_model(returns) != nullptr;
}

}  // namespace tolv::gen_ts
