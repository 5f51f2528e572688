#include "gen_ts/ts_printer.hpp"

#include <gtest/gtest.h>

namespace tolv::gen_ts {
namespace {

TEST(TsPrinter, IndentsFourSpacesAndKeepsEmptyLinesBare) {
    TsPrinter p;
    p.line("a {");
    p.indent();
    p.line("b;");
    p.line("");
    p.indent();
    p.linef("{} {{", "c");
    p.dedent();
    p.dedent();
    p.line("}");
    EXPECT_EQ(p.output(), "a {\n    b;\n\n        c {\n}\n");
}

TEST(TsPrinterDoc, TrimsEachLineAndDropsCarriageReturns) {
    TsPrinter p;
    p.doc("  Line one\r\n\r\n  line two  \n");
    EXPECT_EQ(p.output(), "/**\n * Line one\n * \n * line two\n */\n");
}

// A doc text holding "*/" (a cron line, a glob) must not end the comment.
TEST(TsPrinterDoc, CommentCloserInTextIsEscaped) {
    TsPrinter p;
    p.doc("Matches src/**/*.py");
    EXPECT_EQ(p.output(), "/**\n * Matches src/**\\/*.py\n */\n");
}

TEST(TsPrinterDoc, EmptyOrBlankTextGivesOnlyTheFrame) {
    for (const char* text : {"", "  \n\t ", "\u2003"}) {
        TsPrinter p;
        p.doc(text);
        EXPECT_EQ(p.output(), "/**\n */\n") << text;
    }
}

TEST(TsPrinterDoc, IndentsEveryLineOfTheBlock) {
    TsPrinter p;
    p.indent();
    p.doc("one\ntwo");
    EXPECT_EQ(p.output(), "    /**\n     * one\n     * two\n     */\n");
}

TEST(TsPrinterDoc, KeepsInnerIndentationOutOfTheLines) {
    TsPrinter p;
    p.doc("Summary.\n\n    @param x  the value\u00a0");
    EXPECT_EQ(p.output(), "/**\n * Summary.\n * \n * @param x  the value\n */\n");
}

}  // namespace
}  // namespace tolv::gen_ts
