#include "codegen/printer.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tolv::codegen {
namespace {

TEST(Printer, IndentsByTheStepAndKeepsEmptyLinesBare) {
    for (const std::size_t step : {2, 4}) {
        Printer p(step);
        const std::string one(step, ' ');
        p.line("a {");
        p.indent();
        p.line("b;");
        p.line("");
        p.indent();
        p.emit({{"name", "c"}}, "$name$ {");
        p.emit({{"name", ""}}, "$name$");
        p.dedent();
        p.dedent();
        p.dedent();
        p.line("}");
        EXPECT_EQ(p.output(), "a {\n" + one + "b;\n\n" + one + one + "c {\n\n}\n") << step;
    }
}

TEST(PrinterEmit, FillsNamesAndWritesBlocksAsTheyRead) {
    Printer p(4);
    p.indent();
    p.emit({{"name", "f"}, {"type", "$type$"}}, "const $name$: $type$ = `${x}` + '$' + $$ + $unknown");
    p.emit({{"name", "g"}}, R"(
        function $name$() {
            return 1;

        }
    )");
    EXPECT_EQ(p.output(),
              "    const f: $type$ = `${x}` + '$' + $$ + $unknown\n"
              "    function g() {\n"
              "        return 1;\n"
              "\n"
              "    }\n");
    // Templates are fixed text: a placeholder without a value is a fault of the code.
    EXPECT_THROW(p.emit({}, "$missing$"), std::logic_error);
}

struct DocCase {
    const char* text;
    const char* lines;  // between "/**" and " */"
};

TEST(PrinterDoc, TrimsTheTextAndEachLineAndEscapesTheCloser) {
    const DocCase cases[] = {
        {"", ""},
        {"  \n\t ", ""},
        {"\u2003", ""},
        {"  Line one\r\n\r\n  line two  \n", " * Line one\n * \n * line two\n"},
        {"Summary.\n\n    @param x  the value\u00a0", " * Summary.\n * \n * @param x  the value\n"},
        // No-break space, ideographic space and line separator are white space too.
        {"\xc2\xa0 x\xe3\x80\x80\n\xe2\x80\xa8y", " * x\n * y\n"},
        {"\xc3\xa9t\xc3\xa9", " * \xc3\xa9t\xc3\xa9\n"},
        // "*/" (a cron line, a glob) must not end the comment.
        {"Runs at */5 * * * *\nends */", " * Runs at *\\/5 * * * *\n * ends *\\/\n"},
        {"Matches src/**/*.py", " * Matches src/**\\/*.py\n"},
    };
    for (const DocCase& c : cases) {
        Printer p(4);
        p.doc(c.text);
        EXPECT_EQ(p.output(), std::string("/**\n") + c.lines + " */\n") << c.text;
    }
    Printer p(2);
    p.indent();
    p.doc("one\ntwo");
    EXPECT_EQ(p.output(), "  /**\n   * one\n   * two\n   */\n");
}

}  // namespace
}  // namespace tolv::codegen
