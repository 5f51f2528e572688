#include <gtest/gtest.h>

#include "base/utf8.hpp"

namespace tolv {
namespace {

TEST(Utf8, ValidationReportsPositionAndLength) {
    struct Case {
        std::string bytes;
        std::string message;  // empty: valid
    };
    const Case cases[] = {
        {"plain", ""},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", ""},
        {"hello\xFF", "invalid utf-8 sequence of 1 bytes from index 5"},
        {"\xC0\x80", "invalid utf-8 sequence of 1 bytes from index 0"},      // overlong
        {"\xED\xA0\x80", "invalid utf-8 sequence of 1 bytes from index 0"},  // surrogate
        {"\xE2\x82x", "invalid utf-8 sequence of 2 bytes from index 0"},
        {"ab\xF0\x9F\x98x", "invalid utf-8 sequence of 3 bytes from index 2"},
        {"\xF4\x90\x80\x80", "invalid utf-8 sequence of 1 bytes from index 0"},  // above U+10FFFF
        {"ok\xE2\x82", "incomplete utf-8 byte sequence from index 2"},
        {"\xF0", "incomplete utf-8 byte sequence from index 0"},
        // Past runs of ASCII read eight bytes at a time.
        {"sixteen ascii ch\xC3\xA9rs, then\xFF", "invalid utf-8 sequence of 1 bytes from index 26"},
        {"twelve bytes\xE2\x82", "incomplete utf-8 byte sequence from index 12"},
    };
    for (const auto& c : cases) {
        auto error = validate_utf8(c.bytes);
        EXPECT_EQ(error ? error->message() : "", c.message) << c.bytes;
    }
}

TEST(Utf8, LossyDecodingReplacesEachInvalidSequenceOnce) {
    EXPECT_EQ(lossy_utf8("abc"), "abc");
    EXPECT_EQ(lossy_utf8("a\xFF\xFE"
                         "b"),
              "a\xEF\xBF\xBD\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(lossy_utf8("\xE2\x82x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(lossy_utf8("end\xF0\x9F\x98"), "end\xEF\xBF\xBD");
}

TEST(Utf8, TrimsUnicodeWhiteSpaceOnly) {
    EXPECT_EQ(trim_unicode_whitespace(" \t\n{}\r\n"), "{}");
    EXPECT_EQ(trim_unicode_whitespace("\xC2\x85\xE2\x80\xA8x\xE3\x80\x80"), "x");
    EXPECT_EQ(trim_unicode_whitespace("\xE2\x80\x8B"
                                      "x"),
              "\xE2\x80\x8B"
              "x");  // zero width space stays
    EXPECT_EQ(trim_unicode_whitespace("   "), "");
}

TEST(Utf8, DebugQuoting) {
    EXPECT_EQ(quote_debug("python3"), "\"python3\"");
    EXPECT_EQ(quote_debug("a \"b\"\\c\n\t"), "\"a \\\"b\\\"\\\\c\\n\\t\"");
    EXPECT_EQ(quote_debug("x\x01\x7F"), "\"x\\u{1}\\u{7f}\"");
    EXPECT_EQ(quote_debug("caf\xC3\xA9\xFF"), "\"caf\xC3\xA9\\xFF\"");
    // Format character, line separator, combining mark after a letter, private use.
    EXPECT_EQ(quote_debug("\u202E\u2028e\u0301\uE000"), "\"\\u{202e}\\u{2028}e\\u{301}\\u{e000}\"");
}

}  // namespace
}  // namespace tolv
