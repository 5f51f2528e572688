#include "cli/schema_source/schema_acquisition.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

namespace tolv::cli {
namespace {

using ::testing::ElementsAre;

struct AppCase {
    const char* app;
    const char* error;  // nullptr: accepted
};

TEST(PythonAppCommand, ValidatesTheAppValue) {
    const AppCase cases[] = {
        {"server:bridge", nullptr},
        {"pkg.api:app", nullptr},
        {"_priv._x1:_Y2", nullptr},
        {"pkg..api:app", "--app module must be a dotted Python identifier"},
        {".api:app", "--app module must be a dotted Python identifier"},
        {"api.:app", "--app module must be a dotted Python identifier"},
        {"1pkg:app", "--app module must be a dotted Python identifier"},
        {"pkg-api:app", "--app module must be a dotted Python identifier"},
        {"caf\xC3\xA9:app", "--app module must be a dotted Python identifier"},
        {":app", "--app must use <module>:<attr> format"},
        {"pkg:", "--app must use <module>:<attr> format"},
        {"pkg", "--app must use <module>:<attr> format"},
        {"", "--app must use <module>:<attr> format"},
        {"pkg:a:b", "--app attr must be a Python identifier"},
        {"pkg:a.b", "--app attr must be a Python identifier"},
    };
    for (const auto& c : cases) {
        auto command = python_app_command("python", c.app);
        if (c.error == nullptr) {
            EXPECT_TRUE(command.has_value()) << c.app;
        } else {
            ASSERT_FALSE(command.has_value()) << c.app;
            EXPECT_EQ(command.error().display(), c.error) << c.app;
        }
    }
}

TEST(PythonAppCommand, BuildsTheInlineScript) {
    auto command = python_app_command("python3", "server:bridge");
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(command->program, "python3");
    EXPECT_THAT(command->args, ElementsAre("-c",
                                           "import sys; sys.path.insert(0, '.'); from server import bridge; "
                                           "print(bridge.dump_schema_json())"));
    auto dotted = python_app_command("py", "pkg.api:app");
    ASSERT_TRUE(dotted.has_value());
    EXPECT_EQ(dotted->args[1],
              "import sys; sys.path.insert(0, '.'); from pkg.api import app; print(app.dump_schema_json())");
}

TEST(TopLevelPythonModuleName, TakesIdentifierStemsOfPyFiles) {
    EXPECT_EQ(top_level_python_module_name("server.py"), "server");
    EXPECT_EQ(top_level_python_module_name("src/server.py"), "server");
    EXPECT_EQ(top_level_python_module_name("./app.py"), "app");
    EXPECT_EQ(top_level_python_module_name("app.PY"), std::nullopt);
    EXPECT_EQ(top_level_python_module_name("my-app.py"), std::nullopt);
    EXPECT_EQ(top_level_python_module_name("app.pyc"), std::nullopt);
    EXPECT_EQ(top_level_python_module_name(".py"), std::nullopt);
    EXPECT_EQ(top_level_python_module_name("app"), std::nullopt);
    EXPECT_EQ(top_level_python_module_name("a.b.py"), std::nullopt);
    EXPECT_EQ(top_level_python_module_name("dir.py/.."), std::nullopt);
}

SchemaDumpCommand python_case(std::string python, std::string app) {
    return SchemaDumpCommand{SchemaDumpCommand::Python{std::move(python), std::move(app)}};
}
SchemaDumpCommand words_case(std::vector<std::string> words) {
    return SchemaDumpCommand{SchemaDumpCommand::Command{std::move(words)}};
}

TEST(ChooseSchemaDumpCommand, AppWinsOverTrailingWords) {
    auto chosen = choose_schema_dump_command(std::string("m:a"), "py", {"python3", "x.py"}, ShortcutRule::AnyDirectory);
    EXPECT_EQ(chosen, python_case("py", "m:a"));
    EXPECT_EQ(choose_schema_dump_command(std::nullopt, "python", {}, ShortcutRule::BareFileNameOnly), std::nullopt);
}

TEST(ChooseSchemaDumpCommand, PyShortcutDependsOnTheRule) {
    const auto dump = ShortcutRule::BareFileNameOnly;
    const auto dev = ShortcutRule::AnyDirectory;
    EXPECT_EQ(choose_schema_dump_command(std::nullopt, "ignored", {"python3", "app.py", "--reload"}, dump),
              python_case("python3", "app:app"));
    EXPECT_EQ(choose_schema_dump_command(std::nullopt, "python", {"python3", "./app.py"}, dump),
              words_case({"python3", "./app.py"}));
    EXPECT_EQ(choose_schema_dump_command(std::nullopt, "python", {"python3", "src/server.py"}, dump),
              words_case({"python3", "src/server.py"}));
    EXPECT_EQ(choose_schema_dump_command(std::nullopt, "python", {"python3", "src/server.py", "--reload"}, dev),
              python_case("python3", "server:app"));
    EXPECT_EQ(choose_schema_dump_command(std::nullopt, "python", {"python3", "my-app.py"}, dev),
              words_case({"python3", "my-app.py"}));
    EXPECT_EQ(choose_schema_dump_command(std::nullopt, "python", {"./dump-schema"}, dev),
              words_case({"./dump-schema"}));
}

TEST(ProcessCommand, FromEitherCase) {
    auto words = process_command(words_case({"./dump", "--port", "0"}));
    ASSERT_TRUE(words.has_value());
    EXPECT_EQ(*words, (ProcessCommand{"./dump", {"--port", "0"}}));

    auto empty = process_command(words_case({}));
    ASSERT_FALSE(empty.has_value());
    EXPECT_EQ(empty.error().display(), "schema dump command after -- must not be empty");

    auto bad_app = process_command(python_case("python", "nocolon"));
    ASSERT_FALSE(bad_app.has_value());
    EXPECT_EQ(bad_app.error().display(), "--app must use <module>:<attr> format");
}

// Captures what schema_from_output echoes.
class Echo {
public:
    Echo() : file_(std::tmpfile()) {}
    ~Echo() { std::fclose(file_); }
    std::FILE* file() { return file_; }
    std::string text() {
        std::fflush(file_);
        std::rewind(file_);
        std::string out;
        char buffer[256];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) out.append(buffer, n);
        return out;
    }

private:
    std::FILE* file_;
};

const std::string kParse = "failed to parse schema dump stdout as ApiGraph JSON; schema dump must be the only stdout";

TEST(SchemaFromOutput, FailuresInOrder) {
    struct Case {
        bool success;
        std::string out;
        std::string expected_prefix;
    };
    const Case cases[] = {
        {false, "{}", "user app schema dump subprocess failed"},
        {false, "\xFF", "user app schema dump subprocess failed"},
        {true, std::string("{\"a\xFF"),
         "schema dump stdout was not valid UTF-8: invalid utf-8 sequence of 1 bytes from index 3"},
        {true, "{\"\xE2\x82", "schema dump stdout was not valid UTF-8: incomplete utf-8 byte sequence from index 2"},
        {true, "", "schema dump stdout was empty"},
        {true, " \n\t\r\n\xE2\x80\x83\xC2\xA0", "schema dump stdout was empty"},
        {true, "starting server\n{}", kParse + ": "},
        {true, "{} {}", kParse + ": "},
    };
    for (const auto& c : cases) {
        Echo echo;
        auto graph = schema_from_output(c.success, c.out, "", echo.file());
        ASSERT_FALSE(graph.has_value()) << c.out;
        EXPECT_TRUE(graph.error().display().starts_with(c.expected_prefix)) << graph.error().display();
        EXPECT_EQ(echo.text(), "");
    }
}

TEST(SchemaFromOutput, ParseErrorCarriesTheReaderMessageAsCause) {
    Echo echo;
    auto graph = schema_from_output(true, "{} {}", "", echo.file());
    ASSERT_FALSE(graph.has_value());
    ASSERT_EQ(graph.error().chain().size(), 2u);
    EXPECT_EQ(graph.error().chain()[0], kParse);
    EXPECT_THAT(graph.error().chain()[1], ::testing::HasSubstr("line 1 column"));
}

TEST(SchemaFromOutput, TrimsUnicodeWhiteSpaceAndParses) {
    Echo echo;
    auto graph = schema_from_output(true, "\xE3\x80\x80\n {}\n\n", "", echo.file());
    ASSERT_TRUE(graph.has_value()) << graph.error().display();
    EXPECT_TRUE(graph->endpoints.empty());
    EXPECT_TRUE(graph->models.empty());
}

TEST(SchemaFromOutput, EchoesStderrFirstWithInvalidBytesReplaced) {
    Echo echo;
    auto graph = schema_from_output(false, "{}", "log \xFF line\nno newline", echo.file());
    EXPECT_FALSE(graph.has_value());
    EXPECT_EQ(echo.text(), "log \xEF\xBF\xBD line\nno newline");
}

}  // namespace
}  // namespace tolv::cli
