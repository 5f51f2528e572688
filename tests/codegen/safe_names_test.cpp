#include "codegen/safe_names.hpp"

#include <gtest/gtest.h>

#include "schema/naming.hpp"

namespace tolv::codegen {
namespace {

TEST(SafeNames, IdentifierNames) {
    for (const char* yes : {"a", "$", "_", "a1", "délai", "名前", "x\u200Cy", "delete", "__proto__"}) {
        EXPECT_TRUE(is_identifier_name(yes)) << yes;
    }
    for (const char* no : {"", "1a", "a-b", "a b", "a:b", "a.b", "\xFF", "a\u2028", "${x}", "\"", "a\\u0062"}) {
        EXPECT_FALSE(is_identifier_name(no)) << no;
    }
}

// Declared names: the camelCase or PascalCase text, split into words at
// characters that cannot stand in an identifier, then made declarable.
TEST(SafeNames, DeclaredNamesFromSchemaNames) {
    struct Case {
        std::string_view name;
        std::string camel;
        std::string pascal;
    };
    const Case cases[] = {
        {"get_user", "getUser", "GetUser"},
        {"user:joined", "userJoined", "UserJoined"},
        {"chat.message", "chatMessage", "ChatMessage"},
        {"typing-start", "typingStart", "TypingStart"},
        {"delete", "delete_", "Delete"},
        {"default", "default_", "Default"},
        {"undefined", "undefined_", "Undefined"},
        {"then", "then_", "Then"},
        {"then_", "then_", "Then"},
        {"2fa_code", "_2faCode", "_2faCode"},
        {"größe ändern", "größeÄndern", "GrößeÄndern"},
        {"a$b", "a$b", "A$b"},
        {"-effect", "Effect", "Effect"},
        {"x\"y\\z`${w}\n\u2028v", "xYZ$WV", "XYZ$WV"},
        {"ping(): Promise<void> { return Promise.resolve() } console.log('PWNED'); export async function pong",
         "pingPromiseVoidReturnPromiseResolveConsoleLogPWNEDExportAsyncFunctionPong",
         "PingPromiseVoidReturnPromiseResolveConsoleLogPWNEDExportAsyncFunctionPong"},
        {"___", "", ""},
        {"::", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(declarable(identifier_words(schema::to_camel_case(c.name))), c.camel) << c.name;
        EXPECT_EQ(declarable(identifier_words(schema::to_pascal_case(c.name))), c.pascal) << c.name;
    }
}

std::string with(void (*append)(std::string&, std::string_view, QuoteStyle), std::string_view text,
                 QuoteStyle style = QuoteStyle::Plain) {
    std::string out;
    append(out, text, style);
    return out;
}

TEST(SafeNames, KeysAccessAndLiterals) {
    EXPECT_EQ(with(append_property_key, "userId"), "userId");
    EXPECT_EQ(with(append_property_key, "user-id"), "\"user-id\"");
    EXPECT_EQ(with(append_property_key, "default"), "default");
    EXPECT_EQ(with(append_property_key, "__proto__"), "__proto__");
    EXPECT_EQ(with(append_object_key, "__proto__"), "[\"__proto__\"]");
    EXPECT_EQ(with(append_object_key, "a\"b\n", QuoteStyle::Json), "\"a\\\"b\\n\"");
    EXPECT_EQ(with(append_member_access, "name"), ".name");
    EXPECT_EQ(with(append_member_access, "user-id"), "[\"user-id\"]");
    // Plain: the five escapes, everything else (controls, U+2028, non-ASCII) as it is.
    EXPECT_EQ(with(append_string_literal, "a\\\"\t\n\r\x01\u2028\xc3\xa9"), "\"a\\\\\\\"\\t\\n\\r\x01\u2028\xc3\xa9\"");
    EXPECT_EQ(with(append_string_literal, "a\x01", QuoteStyle::Json), "\"a\\u0001\"");
    std::string template_text;
    append_template_text(template_text, "a`b${c}$d\\\r\n");
    EXPECT_EQ(template_text, "a\\`b\\${c}$d\\\\\\r\n");
}

}  // namespace
}  // namespace tolv::codegen
