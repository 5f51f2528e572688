#include "schema/naming.hpp"

#include <gtest/gtest.h>

namespace tolv::schema {
namespace {

struct NamingCase {
    const char* input;
    const char* camel;
    const char* pascal;
};

constexpr NamingCase kCases[] = {
    {"get_user", "getUser", "GetUser"},
    {"get_user_by_id", "getUserById", "GetUserById"},
    {"user", "user", "User"},
    {"getUser", "getUser", "GetUser"},
    {"GetUser", "GetUser", "GetUser"},
    {"XML_parser", "XMLParser", "XMLParser"},
    {"user_ID", "userID", "UserID"},
    {"userId_list", "userIdList", "UserIdList"},
    {"", "", ""},
    {"_", "", ""},
    {"___", "", ""},
    {"_private_call", "PrivateCall", "PrivateCall"},
    {"__init__", "Init", "Init"},
    {"get__user_", "getUser", "GetUser"},
    {"v2_items", "v2Items", "V2Items"},
    {"item_2", "item2", "Item2"},
    {"2fa_code", "2faCode", "2faCode"},
    {"get-user", "get-user", "Get-user"},
    {"größe_ändern", "größeÄndern", "GrößeÄndern"},
    {"ß_ß", "ßSS", "SSSS"},
    {"get user", "get user", "Get user"},
    {"é_é", "éÉ", "ÉÉ"},
    // One code point may map to three (U+0390 -> U+0399 U+0308 U+0301).
    {"a_\u0390x", "a\u0399\u0308\u0301x", "A\u0399\u0308\u0301x"},
    // A first code point outside the BMP (Deseret small letter long i).
    {"\xF0\x90\x90\xA8_\xF0\x90\x90\xA8", "\xF0\x90\x90\xA8\xF0\x90\x90\x80", "\xF0\x90\x90\x80\xF0\x90\x90\x80"},
};

TEST(Naming, TableOfNames) {
    for (const auto& c : kCases) {
        EXPECT_EQ(to_camel_case(c.input), c.camel) << "input: " << c.input;
        EXPECT_EQ(to_pascal_case(c.input), c.pascal) << "input: " << c.input;
    }
}

TEST(Naming, DistinctNamesMayCollideInPascalCase) {
    for (const char* name : {"a_b", "a__b", "_a_b", "A_b", "AB"}) EXPECT_EQ(to_pascal_case(name), "AB") << name;
}

TEST(Naming, InvalidUtf8IsCopiedNotDropped) {
    EXPECT_EQ(to_pascal_case("a_\xFFx"), "A\xFFx");
    EXPECT_EQ(to_camel_case("a_\xC3"), "a\xC3");
}

}  // namespace
}  // namespace tolv::schema
