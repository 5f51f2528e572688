// Every answer of the command-line parser to the lines of
// command_line_cases.txt (status, both outputs, or the parsed record),
// compared with command_line.golden. TOLV_UPDATE_GOLDEN=1 rewrites it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line/command_line.hpp"

namespace tolv::cli {
namespace {

namespace fs = std::filesystem;

const fs::path kGolden = fs::path(TOLV_SOURCE_DIR) / "tests" / "golden";

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> split_words(const std::string& line) {
    std::vector<std::string> words{"tolv"};
    std::string word;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == '\t') {
            words.push_back(std::exchange(word, {}));
        } else if (line.compare(i, 4, "\\xFF") == 0) {
            word += '\xFF';
            i += 3;
        } else {
            word += line[i];
        }
    }
    return words;
}

std::string text(const std::optional<std::string>& value) { return value ? "\"" + *value + "\"" : "-"; }

std::string text(const std::vector<std::string>& values) {
    std::string out = "[";
    for (std::size_t i = 0; i < values.size(); ++i) out += (i ? ", \"" : "\"") + values[i] + "\"";
    return out + "]";
}

std::string text(const std::optional<gen_effect::ReturnSurface>& surface) {
    if (!surface) return "-";
    return *surface == gen_effect::ReturnSurface::Promise ? "promise" : "effect";
}

std::string text(const SurfaceArgs& s) {
    return "surface=" + text(s.default_surface) + " commands=" + text(s.commands) + " channels=" + text(s.channels) +
           " uploads=" + text(s.uploads) + " statics=" + text(s.statics) + " websockets=" + text(s.websockets);
}

std::string describe(const Command& command) {
    if (const auto* gen = std::get_if<GenArgs>(&command)) {
        return std::string("gen language=") + language_name(gen->language) +
               " target=" + (gen->target == BackendTarget::Rust ? "rust" : "python") + " out=" + text(gen->out) +
               " app=" + text(gen->app) + " python=" + text(gen->python) + " rust_cmd=" + text(gen->rust_cmd) +
               " rust_args=" + text(gen->rust_args) + " " + text(gen->surface);
    }
    if (const auto* dev = std::get_if<DevArgs>(&command)) {
        return std::string("dev out=") + text(dev->out) + " language=" + language_name(dev->language) +
               " app=" + text(dev->app) + " python=" + text(dev->python) +
               " debounce_ms=" + std::to_string(dev->debounce_ms) + " watch=" + text(dev->watch_globs) +
               " app_cmd=" + text(dev->app_cmd) + " " + text(dev->surface);
    }
    const auto& dump = std::get<SchemaDumpArgs>(command);
    return "schema dump app=" + text(dump.app) + " python=" + text(dump.python) +
           " compact=" + (dump.compact ? "true" : "false") + " app_cmd=" + text(dump.app_cmd);
}

TEST(CommandLineGolden, EveryCaseAnswersAsRecorded) {
    std::istringstream cases(read_file(kGolden / "command_line_cases.txt"));
    std::string transcript;
    std::string line;
    while (std::getline(cases, line)) {
        if (line.empty() || line.starts_with('#')) continue;
        transcript += "$ tolv " + line + "\n";
        auto outcome = parse_command_line(split_words(line));
        if (const auto* exit = std::get_if<ParseExit>(&outcome)) {
            transcript += "status " + std::to_string(exit->status) + "\n";
            transcript += "--- stdout\n" + exit->stdout_text + "--- stderr\n" + exit->stderr_text;
        } else {
            transcript += "parsed " + describe(std::get<Command>(outcome)) + "\n";
        }
        transcript += "\n";
    }
    const fs::path golden = kGolden / "command_line.golden";
    const char* update = std::getenv("TOLV_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        std::ofstream(golden, std::ios::binary | std::ios::trunc) << transcript;
        return;
    }
    EXPECT_EQ(read_file(golden), transcript);
}

}  // namespace
}  // namespace tolv::cli
