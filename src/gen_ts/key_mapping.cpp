#include "gen_ts/key_mapping.hpp"

#include <utility>

#include "codegen/safe_names.hpp"
#include "codegen/vocabulary.hpp"

namespace tolv::gen_ts {

using schema::ModelDef;
using schema::TypeKind;
using schema::TypeRef;
using Index = KeyMapper::Index;
using Direction = KeyMapper::Direction;

namespace {

constexpr Index no_model = codegen::ModelTable::none;

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

}  // namespace

// Appends the mapping expression into one output string, so nested models
// are written once instead of being copied at every level. The expression
// being converted is kept in one buffer that grows by ".key" per model field
// and shrinks back after it.
//
// Models are walked with an explicit stack of frames rather than by
// recursion: a chain of model references is not bounded by the nesting of
// the schema document, and a long one would otherwise exhaust the stack.
class KeyMapper::Conversion {
public:
    // `untyped`: the expression converted is of type any (a helper's
    // parameter), so lambda parameters get an explicit any as well.
    Conversion(const KeyMapper& keys, Direction direction, std::string& out, bool untyped = false)
        : keys_(keys), direction_(direction), out_(out), untyped_(untyped || direction == Direction::Response) {}

    void run(const TypeRef& ty, std::string_view expr, std::size_t depth, bool may_be_absent) {
        expr_.assign(expr);
        enter(ty, keys_.expanded_model(ty), depth, may_be_absent || can_be_absent(ty));
        finish();
    }

    // The body of a helper: the expansion of one model.
    void run_model(Index model, std::string_view expr) {
        expr_.assign(expr);
        expand_model(model, 0);
        finish();
    }

private:
    // An open model expansion, or (model none) an array's element lambda
    // whose element has been written.
    struct Frame {
        Index model = no_model;
        std::size_t next_field = 0;
        std::size_t depth = 0;
        std::size_t expr_length = 0;  // model: expr_ without a field suffix
        bool opened_cycle = false;    // model: its cycle was opened here
        bool read_own = false;        // model: expr_ is the own read of a field of `outer_expr`
        bool untyped = false;         // the frame's expression is of type any
        std::string outer_expr;       // array: the expression being mapped; model: see read_own
    };

    static bool can_be_absent(const TypeRef& ty) { return ty.optional || ty.nullable; }

    void finish() {
        while (!frames_.empty()) step();
    }

    // Writes what comes before the members of `ty`'s conversion, pushing a
    // frame when members follow; writes the whole of it otherwise. `model`
    // is the model the conversion expands (KeyMapper::expanded_model).
    void enter(const TypeRef& ty, Index model, std::size_t depth, bool may_be_absent) {
        if (model != no_model && keys_.models_.model(model).fields.empty()) {
            // Nothing to rename: the value, or the array of values, passes as it is.
            out_ += expr_;
        } else if (ty.kind == TypeKind::Array) {
            enter_array(ty, model, depth, may_be_absent);
        } else if (ty.kind == TypeKind::Model && model != no_model) {
            enter_model(model, depth, may_be_absent);
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

    void enter_array(const TypeRef& ty, Index model, std::size_t depth, bool may_be_absent) {
        if (array_model(ty) == nullptr) {
            out_ += expr_;
            return;
        }
        if (may_be_absent) append_absent_guard();
        out_ += expr_;
        std::string variable = map_variable(depth);
        out_ += ".map((";
        out_ += variable;
        // A lambda over an array of type any gets no parameter type from it.
        out_ += untyped_ ? ": any) => (" : ") => (";
        // Inside the lambda the element variable is the expression.
        Frame frame;
        frame.untyped = untyped_;
        frame.outer_expr = std::exchange(expr_, std::move(variable));
        frames_.push_back(std::move(frame));
        // Recurses only through directly nested arrays, which the schema's
        // nesting limit bounds. The element reaches the same model.
        const TypeRef& element = ty.inner.front();
        enter(element, model, depth + 1, can_be_absent(element));
    }

    void enter_model(Index model, std::size_t depth, bool may_be_absent) {
        if (may_be_absent) append_absent_guard();
        const std::uint32_t cycle = keys_.cycle_[model];
        // Inline text cannot unroll a cycle: the model is converted by a
        // function of the module that calls itself as deep as the data goes.
        // A large model is converted by its function too, written once.
        if ((cycle != no_cycle && keys_.open_cycles_[cycle]) || keys_.large_[model]) {
            keys_.append_helper_name(out_, model, direction_);
            out_ += '(';
            out_ += expr_;
            out_ += ')';
            return;
        }
        expand_model(model, depth);
    }

    // Writes "{ " and pushes the frame that writes the model's fields.
    void expand_model(Index model, std::size_t depth) {
        const std::uint32_t cycle = keys_.cycle_[model];
        Frame frame;
        frame.untyped = untyped_;
        frame.model = model;
        frame.depth = depth;
        frame.expr_length = expr_.size();
        frame.opened_cycle = cycle != no_cycle;
        if (frame.opened_cycle) keys_.open_cycles_[cycle] = true;
        out_ += "{ ";
        frames_.push_back(std::move(frame));
    }

    // Advances the top frame by one member, or closes it.
    void step() {
        Frame& frame = frames_.back();
        untyped_ = frame.untyped;
        if (frame.model == no_model) {
            out_ += "))";
            expr_ = std::move(frame.outer_expr);
            frames_.pop_back();
            return;
        }
        if (frame.read_own) {
            expr_ = std::move(frame.outer_expr);
            frame.read_own = false;
        } else {
            expr_.resize(frame.expr_length);
        }
        const ModelDef& model = keys_.models_.model(frame.model);
        if (frame.next_field == model.fields.size()) {
            out_ += " }";
            if (frame.opened_cycle) keys_.open_cycles_[keys_.cycle_[frame.model]] = false;
            frames_.pop_back();
            return;
        }
        const std::size_t index = frame.next_field++;
        const schema::Field& field = model.fields[index];
        if (index != 0) out_ += ", ";
        const bool request = direction_ == Direction::Request;
        const FieldNames& names = keys_.field_names_[keys_.field_start_[frame.model] + index];
        codegen::append_object_key(out_, request ? field.sourceName : field.wireName,
                                   request ? names.source_identifier : names.wire_identifier,
                                   codegen::QuoteStyle::Plain);
        out_ += ": ";
        if (request ? names.wire_inherited : names.source_inherited) {
            // The own read wraps the object's expression, which the next field needs back.
            std::string read;
            keys_.append_read(read, expr_, request ? field.wireName : field.sourceName);
            frame.outer_expr = std::exchange(expr_, std::move(read));
            frame.read_own = true;
            untyped_ = true;  // _own returns any
        } else {
            codegen::append_member_access(expr_, request ? field.wireName : field.sourceName,
                                          request ? names.wire_identifier : names.source_identifier,
                                          codegen::QuoteStyle::Plain);
        }
        // `frame` may dangle once enter pushes a frame.
        const std::size_t depth = frame.depth;
        enter(field.ty, keys_.field_model(frame.model, index), depth,
              codegen::is_optional(field) || codegen::is_nullable(field));
    }

    const KeyMapper& keys_;
    Direction direction_;
    std::string& out_;
    bool untyped_;  // expr_ is of type any
    std::string expr_;
    std::vector<Frame> frames_;
};

KeyMapper::KeyMapper(const schema::ApiGraph& graph) : graph_(graph), models_(graph) {
    // The "conversion expands" relation between models, by field.
    const Index n = models_.size();
    field_start_.reserve(n + 1);
    codegen::Edges edges(n);
    for (Index m = 0; m < n; ++m) {
        field_start_.push_back(field_models_.size());
        for (const schema::Field& field : models_.model(m).fields) {
            const Index target = expanded_model(field.ty);
            field_models_.push_back(target);
            field_names_.push_back({codegen::is_identifier_name(field.sourceName),
                                    codegen::is_identifier_name(field.wireName),
                                    codegen::is_inherited_name(field.sourceName),
                                    codegen::is_inherited_name(field.wireName)});
            if (target != no_model) edges[m].push_back(target);
        }
    }
    const codegen::Components components = codegen::strongly_connected_components(edges);
    cycle_.assign(n, no_cycle);
    for (Index m = 0; m < n; ++m) {
        if (components.on_cycle[m]) cycle_[m] = components.of[m];
    }
    open_cycles_.assign(n, false);
    helper_owed_.assign(2 * static_cast<std::size_t>(n), false);
    find_large_models(components);
}

void KeyMapper::find_large_models(const codegen::Components& components) {
    // A component is numbered after every component its models refer to, so
    // taking models by component number sizes each model after the models
    // it expands.
    const Index n = models_.size();
    std::vector<Index> first(n + 1, 0);
    for (Index m = 0; m < n; ++m) ++first[components.of[m] + 1];
    for (Index c = 0; c < n; ++c) first[c + 1] += first[c];
    std::vector<Index> by_component(n);
    for (Index m = 0; m < n; ++m) by_component[first[components.of[m]]++] = m;

    // The field entries of a model's inline conversion: its own fields, and
    // the entries of each model they expand inline. A model of its own cycle
    // is converted by a helper there, and so is a large model.
    std::vector<std::size_t> entries(n, 0);
    large_.assign(n, false);
    for (const Index m : by_component) {
        std::size_t total = models_.model(m).fields.size();
        for (std::size_t f = field_start_[m]; f < field_start_[m] + models_.model(m).fields.size(); ++f) {
            const Index target = field_models_[f];
            if (target != no_model && components.of[target] != components.of[m] && !large_[target]) {
                total += entries[target];
            }
        }
        entries[m] = total;
        large_[m] = total > kMaxInlinedEntries;
    }
}

Index KeyMapper::expanded_model(const TypeRef& ty) const {
    if (ty.kind == TypeKind::Model) return models_.resolve(ty.name);
    if (ty.kind != TypeKind::Array) return no_model;
    const TypeRef* reached = array_model(ty);
    return reached == nullptr ? no_model : models_.resolve(reached->name);
}

std::string KeyMapper::request(const TypeRef& ty, std::string_view expr, std::size_t depth, bool may_be_absent,
                               bool untyped) const {
    std::string out;
    Conversion(*this, Direction::Request, out, untyped).run(ty, expr, depth, may_be_absent);
    return out;
}

std::string KeyMapper::response(const TypeRef& ty, std::string_view expr, std::size_t depth) const {
    std::string out;
    Conversion(*this, Direction::Response, out).run(ty, expr, depth, false);
    return out;
}

bool KeyMapper::append_read(std::string& out, std::string_view object, std::string_view name) const {
    if (!codegen::is_inherited_name(name)) {
        out += object;
        codegen::append_member_access(out, name, codegen::QuoteStyle::Plain);
        return false;
    }
    reads_own_ = true;
    out += "_own(";
    out += object;
    out += ", ";
    codegen::append_string_literal(out, name, codegen::QuoteStyle::Plain);
    out += ')';
    return true;
}

void KeyMapper::append_helper_name(std::string& out, Index model, Direction direction) const {
    // Type names are distinct (codegen::declare_names), so helper names are too.
    out += direction == Direction::Request ? "_toSource" : "_toWire";
    out += models_.type_name(model);
    const std::size_t owed = 2 * static_cast<std::size_t>(model) + static_cast<std::size_t>(direction);
    if (!helper_owed_[owed]) {
        helper_owed_[owed] = true;
        helpers_.push_back({model, direction});
    }
}

void KeyMapper::write_helpers(const std::function<void(std::string_view, std::string_view)>& visit) const {
    // Writing a helper's body can ask for further helpers; they are appended.
    std::string name, body;
    for (std::size_t i = 0; i < helpers_.size(); ++i) {
        const Helper helper = helpers_[i];
        name.clear();
        append_helper_name(name, helper.model, helper.direction);
        body.clear();
        Conversion(*this, helper.direction, body, true).run_model(helper.model, "_v");
        visit(name, body);
    }
    helpers_.clear();
}

std::string map_variable(std::size_t depth) {
    constexpr std::string_view named[] = {"_item", "_inner", "_deep"};
    return depth < std::size(named) ? std::string(named[depth]) : std::string("_item").append(std::to_string(depth));
}

bool response_needs_conversion(const TypeRef& returns) {
    if (returns.kind == TypeKind::Model) return true;
    return returns.kind == TypeKind::Array && array_model(returns) != nullptr;
}

}  // namespace tolv::gen_ts
