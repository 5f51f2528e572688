// Test tool: generates a client from a schema file, without a backend.
// Usage: gen_client <schema.json> <out-dir> typescript|effect
//        [--surface|--commands|--channels|--uploads|--statics|--websockets effect|promise]...
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "cli/generate/generate_client.hpp"
#include "schema/json_reader.hpp"

namespace {

using tolv::gen_effect::ReturnSurface;

bool parse_surface(const std::string& word, ReturnSurface& out) {
    if (word == "effect")
        out = ReturnSurface::Effect;
    else if (word == "promise")
        out = ReturnSurface::Promise;
    else
        return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: gen_client <schema.json> <out-dir> typescript|effect [surface options]\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    auto graph = tolv::schema::read_api_graph(text.str());
    if (!graph) {
        std::cerr << "error: " << graph.error().display() << "\n";
        return 1;
    }
    const std::string language = argv[3];
    tolv::gen_effect::EffectGenOptions options;
    for (int i = 4; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        ReturnSurface surface{};
        if (!parse_surface(argv[i + 1], surface)) {
            std::cerr << "bad surface " << argv[i + 1] << "\n";
            return 2;
        }
        if (flag == "--surface")
            options.default_surface = surface;
        else if (flag == "--commands")
            options.commands = surface;
        else if (flag == "--channels")
            options.channels = surface;
        else if (flag == "--uploads")
            options.uploads = surface;
        else if (flag == "--statics")
            options.statics = surface;
        else if (flag == "--websockets")
            options.websockets = surface;
        else {
            std::cerr << "unknown option " << flag << "\n";
            return 2;
        }
    }
    if (language != "typescript" && language != "effect") {
        std::cerr << "unknown language " << language << "\n";
        return 2;
    }
    const auto result = tolv::cli::generate_client(
        language == "effect" ? tolv::cli::Language::Effect : tolv::cli::Language::Typescript, options, *graph);
    if (!result) {
        std::cerr << "error: " << result.error().display() << "\n";
        return 1;
    }
    const std::filesystem::path out = argv[2];
    std::filesystem::create_directories(out);
    for (const auto& file : result->files) {
        std::ofstream o(out / file.path, std::ios::binary | std::ios::trunc);
        o << file.content;
    }
    return 0;
}
