// The complete output of every fixture schema in the repository, for both
// clients and every surface option, compared byte for byte with the files
// under tests/golden (one file per distinct module). TOLV_UPDATE_GOLDEN=1
// rewrites them instead.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "codegen/declared_names.hpp"
#include "gen_effect/generator.hpp"
#include "gen_ts/generator.hpp"
#include "schema/json_reader.hpp"
#include "schema/naming.hpp"

namespace tolv {
namespace {

namespace fs = std::filesystem;
using gen_effect::EffectGenOptions;
using gen_effect::ReturnSurface;

const fs::path kSource = TOLV_SOURCE_DIR;
const fs::path kGolden = kSource / "tests" / "golden";

struct Fixture {
    const char* name;
    const char* schema;  // relative to the source tree
};

constexpr Fixture kFixtures[] = {
    {"full", "examples/schema.json"},
    {"recursive", "tests/ts/plain/recursive/schema.json"},
    {"shapes", "tests/ts/shapes/shapes_schema.json"},
};

struct Variant {
    std::string name;
    bool effect = false;
    EffectGenOptions options;
};

// The plain client, the Effect client under each default surface, and each
// per-kind override set against each default.
std::vector<Variant> variants() {
    std::vector<Variant> out{{"typescript", false, {}}};
    for (const ReturnSurface base : {ReturnSurface::Effect, ReturnSurface::Promise}) {
        const bool promise = base == ReturnSurface::Promise;
        const ReturnSurface other = promise ? ReturnSurface::Effect : ReturnSurface::Promise;
        const std::string prefix = promise ? "effect-promise" : "effect";
        EffectGenOptions options;
        options.default_surface = base;
        out.push_back({prefix, true, options});
        const std::pair<const char*, std::optional<ReturnSurface> EffectGenOptions::*> kinds[] = {
            {"commands", &EffectGenOptions::commands},     {"channels", &EffectGenOptions::channels},
            {"uploads", &EffectGenOptions::uploads},       {"statics", &EffectGenOptions::statics},
            {"websockets", &EffectGenOptions::websockets},
        };
        for (const auto& [kind, member] : kinds) {
            EffectGenOptions overridden = options;
            overridden.*member = other;
            out.push_back({prefix + "-" + kind + "-" + (promise ? "effect" : "promise"), true, overridden});
        }
    }
    return out;
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool updating() {
    const char* flag = std::getenv("TOLV_UPDATE_GOLDEN");
    return flag != nullptr && std::string(flag) == "1";
}

void expect_golden(const fs::path& path, const std::string& actual) {
    if (updating()) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << actual;
        return;
    }
    ASSERT_TRUE(fs::exists(path)) << path;
    // Compared as a flag first so a mismatch does not print megabytes.
    const std::string expected = read_file(path);
    if (expected == actual) return;
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    const std::size_t line_start = expected.rfind('\n', at == 0 ? 0 : at - 1);
    const std::size_t from = line_start == std::string::npos ? 0 : line_start + 1;
    ADD_FAILURE() << path << " differs from byte " << at << "\nexpected: " << expected.substr(from, 160)
                  << "\nactual:   " << actual.substr(from, 160);
}

// Variants whose module equals an earlier variant's share its golden file:
// "same.txt" in the fixture's folder holds "variant = earlier variant" lines.
std::map<std::string, std::string> read_same(const fs::path& file) {
    std::map<std::string, std::string> same;
    std::istringstream lines(read_file(file));
    for (std::string line; std::getline(lines, line);) {
        if (const std::size_t eq = line.find(" = "); eq != std::string::npos) {
            same.emplace(line.substr(0, eq), line.substr(eq + 3));
        }
    }
    return same;
}

TEST(Golden, EveryFixtureEveryClientEverySurface) {
    for (const Fixture& fixture : kFixtures) {
        auto graph = schema::read_api_graph(read_file(kSource / fixture.schema));
        ASSERT_TRUE(graph) << fixture.schema << ": " << graph.error().display();
        const fs::path folder = kGolden / fixture.name;
        std::map<std::string, std::string> same = updating() ? std::map<std::string, std::string>{}
                                                             : read_same(folder / "same.txt");
        std::map<std::string, std::string> first_with;  // module text -> the variant holding its file
        if (updating()) fs::remove_all(folder);
        for (const Variant& variant : variants()) {
            SCOPED_TRACE(std::string(fixture.name) + "/" + variant.name);
            const codegen::GenerationResult result =
                (variant.effect ? gen_effect::generate_with_options(*graph, variant.options) : gen_ts::generate(*graph))
                    .value();
            ASSERT_EQ(result.files.size(), 2u);
            EXPECT_EQ(result.files[0].path, "api.ts");
            EXPECT_EQ(result.files[1].path, variant.effect ? "_effect_internal.ts" : "_internal.ts");
            const std::string& module = result.files[0].content;
            if (updating()) {
                const auto [it, first] = first_with.try_emplace(module, variant.name);
                if (!first) same.emplace(variant.name, it->second);
            }
            const auto shared = same.find(variant.name);
            const std::string& file = shared == same.end() ? variant.name : shared->second;
            if (updating() && shared != same.end()) continue;
            expect_golden(folder / (file + ".api.ts.golden"), module);
            expect_golden(kGolden / "runtime" / (result.files[1].path + ".golden"), result.files[1].content);
        }
        if (updating()) {
            std::ofstream list(folder / "same.txt", std::ios::binary | std::ios::trunc);
            for (const auto& [variant, earlier] : same) list << variant << " = " << earlier << "\n";
        }
    }
}

// Calls `visit` with every model reference of the graph, at any depth.
void for_each_model_ref(schema::ApiGraph& graph, const std::function<void(std::string&)>& visit) {
    const std::function<void(schema::TypeRef&)> walk = [&](schema::TypeRef& ty) {
        if (ty.kind == schema::TypeKind::Model && ty.name) visit(*ty.name);
        for (schema::TypeRef& inner : ty.inner) walk(inner);
    };
    for (auto& [key, model] : graph.models) {
        for (schema::Field& field : model.fields) walk(field.ty);
    }
    for (auto& [key, endpoint] : graph.endpoints) {
        walk(endpoint.returns);
        if (endpoint.channelItem) walk(*endpoint.channelItem);
        for (auto* list : {&endpoint.params, &endpoint.serverEvents, &endpoint.clientEvents}) {
            for (schema::Param& param : *list) walk(param.ty);
        }
    }
}

// The api.ts of the plain client and of the Effect client in both surfaces.
std::vector<std::string> three_modules(const schema::ApiGraph& graph) {
    EffectGenOptions promise;
    promise.default_surface = ReturnSurface::Promise;
    return {gen_ts::generate(graph).value().files[0].content,
            gen_effect::generate_with_options(graph, {}).value().files[0].content,
            gen_effect::generate_with_options(graph, promise).value().files[0].content};
}

// A model reference means the model whose record name gives the type name
// the reference prints: spelled otherwise than the key ("user", "treeNode"),
// or by the record name of a model keyed otherwise, it gives the module that
// the key gives, conversions and model order included. A reference by a key
// whose record names another type stays refused.
TEST(Golden, ReferencesResolveByTheTypeNameTheyPrint) {
    for (const Fixture& fixture : kFixtures) {
        SCOPED_TRACE(fixture.name);
        const schema::ApiGraph graph = schema::read_api_graph(read_file(kSource / fixture.schema)).value();
        const std::vector<std::string> expected = three_modules(graph);

        schema::ApiGraph respelled = graph;
        for_each_model_ref(respelled, [](std::string& name) {
            const std::string before = codegen::type_name(name);
            if (name[0] >= 'A' && name[0] <= 'Z') {
                name[0] = static_cast<char>(name[0] - 'A' + 'a');
            } else {
                name = schema::to_pascal_case(name);
            }
            ASSERT_EQ(codegen::type_name(name), before) << name;
        });
        EXPECT_TRUE(three_modules(respelled) == expected) << "respelled references";

        // Every key gains a word after a character that sorts before any
        // other, which keeps the key order: "User" becomes "User\x01x", which
        // gives the type name UserX. The records keep their names.
        schema::ApiGraph rekeyed;
        rekeyed.endpoints = graph.endpoints;
        rekeyed.enums = graph.enums;
        for (const auto& [key, model] : graph.models) rekeyed.models.emplace(key + "\x01x", model);
        EXPECT_TRUE(three_modules(rekeyed) == expected) << "references by the record names";

        std::string* first = nullptr;
        for_each_model_ref(rekeyed, [&](std::string& name) { first = first ? first : &name; });
        ASSERT_NE(first, nullptr);
        const std::string record = *first;
        *first += "\x01x";
        const auto refused = gen_ts::generate(rekeyed);
        ASSERT_FALSE(refused.has_value());
        EXPECT_NE(refused.error().display().find(", which the schema declares as \"" + record + "\""), std::string::npos)
            << refused.error().display();
    }
}

}  // namespace
}  // namespace tolv
