// Every reading error with its exact text and position.
#include <gtest/gtest.h>

#include <span>
#include <string>

#include "schema/json_reader.hpp"

namespace tolv::schema {
namespace {

struct ErrorCase {
    const char* name;
    std::string_view document;
    const char* message;
};

void expect_errors(std::span<const ErrorCase> cases) {
    for (const auto& c : cases) {
        const auto result = read_api_graph(c.document);
        if (result) {
            ADD_FAILURE() << c.name << ": read without error";
            continue;
        }
        EXPECT_EQ(result.error().message(), c.message) << c.name;
        EXPECT_EQ(result.error().chain().size(), 1u) << c.name;
    }
}

const ErrorCase kDocumentFrame[] = {
    {"empty document", R"()", R"(EOF while parsing a value at line 1 column 0)"},
    {"only whitespace", "  \n ", R"(EOF while parsing a value at line 2 column 1)"},
    {"root null", R"(null)", R"(invalid type: null, expected struct ApiGraph at line 1 column 4)"},
    {"root number", R"(12)", R"(invalid type: integer `12`, expected struct ApiGraph at line 1 column 2)"},
    {"root negative", R"(-3)", R"(invalid type: integer `-3`, expected struct ApiGraph at line 1 column 2)"},
    {"root float", R"(2.5)", R"(invalid type: floating point `2.5`, expected struct ApiGraph at line 1 column 3)"},
    {"root string", R"("api")", R"(invalid type: string "api", expected struct ApiGraph at line 1 column 5)"},
    {"root true", R"(true)", R"(invalid type: boolean `true`, expected struct ApiGraph at line 1 column 4)"},
    {"second document", R"({} {})", R"(trailing characters at line 1 column 4)"},
    {"trailing letter", "{}\n x", R"(trailing characters at line 2 column 2)"},
    {"graph array too long", R"([{}, {}, {}, {}])", R"(trailing characters at line 1 column 14)"},
};
const ErrorCase kMissingAndDuplicateKeys[] = {
    {"model without name", R"({"models": {"m": {}}})", R"(missing field `name` at line 1 column 19)"},
    {"field missing all four", R"({"models": {"m": {"name": "m", "fields": [{}]}}})",
     R"(missing field `sourceName` at line 1 column 44)"},
    {"field missing ty and required",
     R"({"models": {"m": {"name": "m", "fields": [{"sourceName": "s", "wireName": "w"}]}}})",
     R"(missing field `ty` at line 1 column 78)"},
    {"endpoint missing everything", R"({"endpoints": {"e": {}}})", R"(missing field `name` at line 1 column 22)"},
    {"endpoint missing kind and returns", R"({"endpoints": {"e": {"name": "e"}}})",
     R"(missing field `kind` at line 1 column 33)"},
    {"endpoint missing returns", R"({"endpoints": {"e": {"name": "e", "kind": "ws"}}})",
     R"(missing field `returns` at line 1 column 47)"},
    {"type without kind",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "channelItem": {"name": "str"}}}})",
     R"(missing field `kind` at line 1 column 107)"},
    {"param missing wireName",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "params": [{"sourceName": "a"}]}}})",
     R"(missing field `wireName` at line 1 column 107)"},
    {"duplicate name", R"({"models": {"m": {"name": "a", "name": "b"}}})",
     R"(duplicate field `name` at line 1 column 37)"},
    {"duplicate after null", R"({"models": {"m": {"name": "a", "doc": null, "doc": "x"}}})",
     R"(duplicate field `doc` at line 1 column 49)"},
    {"duplicate value after null",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "channelItem": {"kind": "literal", "value": null, "value": 1}}}})",
     R"(duplicate field `value` at line 1 column 134)"},
    {"duplicate spelled with an escape", R"({"models": {"m": {"name": "a", "n\u0061me": "b"}}})",
     R"(duplicate field `name` at line 1 column 42)"},
    {"duplicate maxSize",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "maxSize": null, "maxSize": 1}}})",
     R"(duplicate field `maxSize` at line 1 column 103)"},
};
const ErrorCase kTypeErrors[] = {
    {"models null", R"({"models": null})", R"(invalid type: null, expected a map at line 1 column 15)"},
    {"models array", R"({"models": []})", R"(invalid type: sequence, expected a map at line 1 column 11)"},
    {"name null", R"({"models": {"m": {"name": null}}})",
     R"(invalid type: null, expected a string at line 1 column 30)"},
    {"name integer", R"({"models": {"m": {"name": 5}}})",
     R"(invalid type: integer `5`, expected a string at line 1 column 27)"},
    {"name negative", R"({"models": {"m": {"name": -5}}})",
     R"(invalid type: integer `-5`, expected a string at line 1 column 28)"},
    {"name float", R"({"models": {"m": {"name": 1.50}}})",
     R"(invalid type: floating point `1.5`, expected a string at line 1 column 30)"},
    {"name minus zero", R"({"models": {"m": {"name": -0}}})",
     R"(invalid type: floating point `-0.0`, expected a string at line 1 column 28)"},
    {"name true", R"({"models": {"m": {"name": true}}})",
     R"(invalid type: boolean `true`, expected a string at line 1 column 30)"},
    {"name object", R"({"models": {"m": {"name": {}}}})",
     R"(invalid type: map, expected a string at line 1 column 26)"},
    {"name array", R"({"models": {"m": {"name": [1]}}})",
     R"(invalid type: sequence, expected a string at line 1 column 26)"},
    {"fields string with escapes", R"({"models": {"m": {"name": "m", "fields": "a\"b\\c\n\t\u0001\u00e9"}}})",
     R"(invalid type: string "a\"b\\c\n\t\u{1}é", expected a sequence at line 1 column 66)"},
    {"optional null",
     R"({"models": {"m": {"name": "m", "fields": [{"sourceName": "s", "wireName": "w", "ty": {"kind": "any"}, "required": true, "optional": null}]}}})",
     R"(invalid type: null, expected a boolean at line 1 column 136)"},
    {"type optional null",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "channelItem": {"kind": "any", "optional": null}}}})",
     R"(invalid type: null, expected a boolean at line 1 column 124)"},
    {"multiFile null",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "multiFile": null}}})",
     R"(invalid type: null, expected a boolean at line 1 column 94)"},
    {"record given a string",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "channelItem": "str"}}})",
     R"(invalid type: string "str", expected struct TypeRef at line 1 column 97)"},
    {"record given a number", R"({"endpoints": {"e": 3}})",
     R"(invalid type: integer `3`, expected struct Endpoint at line 1 column 21)"},
    {"values object", R"({"enums": {"e": {"name": "e", "values": {}}}})",
     R"(invalid type: map, expected a sequence at line 1 column 40)"},
};
const ErrorCase kEnumerations[] = {
    {"kind upper case", R"({"endpoints": {"e": {"name": "e", "kind": "RPC", "returns": {"kind": "any"}}}})",
     R"(unknown variant `RPC`, expected one of `rpc`, `channel`, `upload`, `static`, `ws` at line 1 column 47)"},
    {"kind with terminal escapes",
     R"({"endpoints": {"e": {"name": "e", "kind": "\u001b]0;PWNED\u0007\u001b[2J", "returns": {"kind": "any"}}}})",
     R"(unknown variant `\u{1b}]0;PWNED\u{7}\u{1b}[2J`, expected one of `rpc`, `channel`, `upload`, `static`, `ws` at line 1 column 73)"},
    {"type kind with quote, backslash and override",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "channelItem": {"kind": "a\"b\\\u202Ec"}}}})",
     R"(unknown variant `a\"b\\\u{202e}c`, expected one of `primitive`, `array`, `record`, `tuple`, `union`, `literal`, `model`, `enum`, `any`, `void` at line 1 column 116)"},
    {"type kind Array",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "channelItem": {"kind": "Array"}}}})",
     R"(unknown variant `Array`, expected one of `primitive`, `array`, `record`, `tuple`, `union`, `literal`, `model`, `enum`, `any`, `void` at line 1 column 108)"},
    {"type kind object",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "channelItem": {"kind": "object"}}}})",
     R"(unknown variant `object`, expected one of `primitive`, `array`, `record`, `tuple`, `union`, `literal`, `model`, `enum`, `any`, `void` at line 1 column 109)"},
    {"kind null",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "channelItem": {"kind": null}}}})",
     R"(expected value at line 1 column 102)"},
    {"kind number",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "channelItem": {"kind": 7}}}})",
     R"(expected value at line 1 column 102)"},
    {"kind array",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "channelItem": {"kind": ["any"]}}}})",
     R"(expected value at line 1 column 102)"},
    {"kind object value not null",
     R"({"endpoints": {"e": {"name": "e", "kind": {"ws": 1}, "returns": {"kind": "any"}}}})",
     R"(invalid type: integer `1`, expected unit at line 1 column 50)"},
    {"kind object value string",
     R"({"endpoints": {"e": {"name": "e", "kind": {"ws": "x"}, "returns": {"kind": "any"}}}})",
     R"(invalid type: string "x", expected unit at line 1 column 52)"},
    {"kind object second member",
     R"({"endpoints": {"e": {"name": "e", "kind": {"ws": null, "rpc": null}, "returns": {"kind": "any"}}}})",
     R"(expected value at line 1 column 53)"},
    {"kind object unknown name",
     R"({"endpoints": {"e": {"name": "e", "kind": {"socket": null}, "returns": {"kind": "any"}}}})",
     R"(unknown variant `socket`, expected one of `rpc`, `channel`, `upload`, `static`, `ws` at line 1 column 51)"},
    {"kind object empty", R"({"endpoints": {"e": {"name": "e", "kind": {}, "returns": {"kind": "any"}}}})",
     R"(expected value at line 1 column 44)"},
    {"kind object number key", R"({"endpoints": {"e": {"name": "e", "kind": {1: null}, "returns": {"kind": "any"}}}})",
     R"(invalid type: integer `1`, expected variant identifier at line 1 column 44)"},
    {"kind object missing colon",
     R"({"endpoints": {"e": {"name": "e", "kind": {"ws" null}, "returns": {"kind": "any"}}}})",
     R"(expected `:` at line 1 column 49)"},
    {"kind object at end", R"({"endpoints": {"e": {"name": "e", "kind": {"ws": null}})",
     R"(missing field `returns` at line 1 column 55)"},
};
const ErrorCase kMaxSize[] = {
    {"maxSize negative",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "maxSize": -1}}})",
     R"(invalid value: integer `-1`, expected u64 at line 1 column 90)"},
    {"maxSize minus zero",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "maxSize": -0}}})",
     R"(invalid type: floating point `-0.0`, expected u64 at line 1 column 90)"},
    {"maxSize fraction",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "maxSize": 1.5}}})",
     R"(invalid type: floating point `1.5`, expected u64 at line 1 column 91)"},
    {"maxSize one point zero",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "maxSize": 1.0}}})",
     R"(invalid type: floating point `1.0`, expected u64 at line 1 column 91)"},
    {"maxSize exponent",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "maxSize": 1e3}}})",
     R"(invalid type: floating point `1000.0`, expected u64 at line 1 column 91)"},
    {"maxSize too large",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "maxSize": 18446744073709551616}}})",
     R"(invalid type: floating point `1.8446744073709552e19`, expected u64 at line 1 column 108)"},
    {"maxSize string",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "maxSize": "12"}}})",
     R"(invalid type: string "12", expected u64 at line 1 column 92)"},
    {"maxSize boolean",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "maxSize": false}}})",
     R"(invalid type: boolean `false`, expected u64 at line 1 column 93)"},
    {"maxSize array",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "maxSize": [1]}}})",
     R"(invalid type: sequence, expected u64 at line 1 column 88)"},
};
const ErrorCase kArrayForms[] = {
    {"model array two elements", R"({"models": {"m": ["m", []]}})",
     R"(invalid length 2, expected struct ModelDef with 3 elements at line 1 column 26)"},
    {"model array one element", R"({"models": {"m": ["m"]}})",
     R"(invalid length 2, expected struct ModelDef with 3 elements at line 1 column 22)"},
    {"model array four elements", R"({"models": {"m": ["m", [], null, 1]}})",
     R"(trailing characters at line 1 column 34)"},
    {"model array trailing comma", R"({"models": {"m": ["m", [], null, ]}})", R"(trailing comma at line 1 column 34)"},
    {"field array seven elements",
     R"({"models": {"m": {"name": "m", "fields": [["s", "w", {"kind": "any"}, true, false, false, null]]}}})",
     R"(invalid length 7, expected struct Field with 8 elements at line 1 column 95)"},
    {"type array one element",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "channelItem": ["primitive"]}}})",
     R"(invalid length 1, expected struct TypeRef with 6 elements at line 1 column 105)"},
    {"type array seven elements",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "channelItem": ["primitive", "int", [], false, false, null, 1]}}})",
     R"(trailing characters at line 1 column 138)"},
    {"param array three elements",
     R"({"endpoints": {"e": {"name": "e", "kind": "rpc", "returns": {"kind": "any"}, "params": [["a", "a", {"kind": "any"}]]}}})",
     R"(invalid length 3, expected struct Param with 5 elements at line 1 column 115)"},
    {"endpoint array nine elements",
     R"({"endpoints": {"e": ["e", "rpc", null, null, [], {"kind": "any"}, null, null, false]}})",
     R"(invalid length 9, expected struct Endpoint with 13 elements at line 1 column 84)"},
    {"endpoint array three elements", R"({"endpoints": {"e": ["e", "rpc", null]}})",
     R"(invalid length 3, expected struct Endpoint with 13 elements at line 1 column 38)"},
    {"endpoint array five elements", R"({"endpoints": {"e": ["e", "rpc", null, null, []]}})",
     R"(invalid length 5, expected struct Endpoint with 13 elements at line 1 column 48)"},
    {"endpoint array fourteen elements",
     R"({"endpoints": {"e": ["e", "rpc", null, null, [], {"kind": "any"}, null, null, false, null, [], [], [], 1]}})",
     R"(trailing characters at line 1 column 104)"},
    {"enum array two elements", R"({"enums": {"e": ["e", []]}})",
     R"(invalid length 2, expected struct EnumDef with 3 elements at line 1 column 25)"},
};
const ErrorCase kSyntax[] = {
    {"eof in object", R"({"models": {)", R"(EOF while parsing an object at line 1 column 12)"},
    {"eof in string", R"({"models": {"a)", R"(EOF while parsing a string at line 1 column 14)"},
    {"eof after colon", R"({"models":)", R"(EOF while parsing a value at line 1 column 10)"},
    {"missing colon", R"({"models" {}})", R"(expected `:` at line 1 column 11)"},
    {"list separator", R"({"enums": {"e": {"name": "e", "values": [1 2]}}}]}}})",
     R"(expected `,` or `]` at line 1 column 44)"},
    {"object separator", R"({"models": {} "enums": {}})", R"(expected `,` or `}` at line 1 column 15)"},
    {"bad literal", R"({"enums": {"e": {"name": "e", "values": [nul]}}}]}}})", R"(expected ident at line 1 column 45)"},
    {"bad literal true", R"({"enums": {"e": {"name": "e", "values": [trve]}}}]}}})",
     R"(expected ident at line 1 column 44)"},
    {"missing value", R"({"models": ,})", R"(expected value at line 1 column 12)"},
    {"invalid escape", R"({"models": {"m": {"name": "a\qb"}}})", R"(invalid escape at line 1 column 30)"},
    {"short hex escape", R"({"models": {"m": {"name": "\u12"}}})", R"(invalid escape at line 1 column 32)"},
    {"bad hex digit", R"({"models": {"m": {"name": "\u12x4"}}})", R"(invalid escape at line 1 column 32)"},
    {"leading zero", R"({"enums": {"e": {"name": "e", "values": [01]}}}]}}})", R"(invalid number at line 1 column 43)"},
    {"bare minus", R"({"enums": {"e": {"name": "e", "values": [-]}}}]}}})", R"(invalid number at line 1 column 43)"},
    {"dot without digits", R"({"enums": {"e": {"name": "e", "values": [1.]}}}]}}})",
     R"(invalid number at line 1 column 44)"},
    {"exponent without digits", R"({"enums": {"e": {"name": "e", "values": [1e]}}}]}}})",
     R"(invalid number at line 1 column 44)"},
    {"number too large", R"({"enums": {"e": {"name": "e", "values": [1e400]}}}]}}})",
     R"(number out of range at line 1 column 46)"},
    {"integer too large for a float",
     R"({"enums": {"e": {"name": "e", "values": [10000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000]}}}]}}})",
     R"(number out of range at line 1 column 442)"},
    {"control character", "{\"models\": {\"m\": {\"name\": \"a\tb\"}}}",
     R"(control character (\u0000-\u001F) found while parsing a string at line 1 column 29)"},
    {"key not a string", R"({models: {}})", R"(key must be a string at line 1 column 2)"},
    {"trailing comma in object", R"({"models": {},})", R"(trailing comma at line 1 column 15)"},
    {"trailing comma in list", R"({"enums": {"e": {"name": "e", "values": [1,]}}}]}}})",
     R"(trailing comma at line 1 column 44)"},
    {"lone trailing surrogate", R"({"models": {"m": {"name": "\udc00"}}})",
     R"(lone leading surrogate in hex escape at line 1 column 33)"},
    {"leading surrogate then letter", R"({"models": {"m": {"name": "\ud800x"}}})",
     R"(unexpected end of hex escape at line 1 column 34)"},
    {"leading surrogate then other escape", R"({"models": {"m": {"name": "\ud800\n"}}})",
     R"(unexpected end of hex escape at line 1 column 35)"},
    {"leading surrogate then non-surrogate", R"({"models": {"m": {"name": "\ud800\u0041"}}})",
     R"(lone leading surrogate in hex escape at line 1 column 39)"},
    {"invalid utf8 in string",
     "{\"models\": {\"m\": {\"name\": \"a\xff"
     "b\"}}}",
     R"(invalid unicode code point at line 1 column 31)"},
    {"multi-line position", "{\n  \"models\": {\n    \"m\": {\n      \"name\": 5\n    }\n  }\n}",
     R"(invalid type: integer `5`, expected a string at line 4 column 15)"},
    {"skipped value syntax", R"({"unknown": [1, {"a" 1}]})", R"(expected `:` at line 1 column 22)"},
    {"skipped value trailing comma", R"({"unknown": [1,]})", R"(expected value at line 1 column 16)"},
    {"skipped number at end", R"({"unknown": -)", R"(invalid number at line 1 column 13)"},
};

TEST(ReadErrors, DocumentFrame) { expect_errors(kDocumentFrame); }
TEST(ReadErrors, MissingAndDuplicateKeys) { expect_errors(kMissingAndDuplicateKeys); }
TEST(ReadErrors, TypeErrors) { expect_errors(kTypeErrors); }
TEST(ReadErrors, Enumerations) { expect_errors(kEnumerations); }
TEST(ReadErrors, MaxSize) { expect_errors(kMaxSize); }
TEST(ReadErrors, ArrayForms) { expect_errors(kArrayForms); }
TEST(ReadErrors, Syntax) { expect_errors(kSyntax); }

// The 128th nested container, the root object being the first, fails at its
// opening bracket; the same depth inside an unknown key's value is skipped.
TEST(ReadErrors, RecursionLimit) {
    // Root (1), "enums" (2), the enumeration (3), "values" (4), then n arrays.
    const auto values_nested = [](int n) {
        return R"({"enums": {"e": {"name": "e", "values": [)" + std::string(n, '[') + std::string(n, ']') + "]}}}";
    };
    EXPECT_TRUE(read_api_graph(values_nested(123)));
    const std::string too_deep = values_nested(124);
    const auto result = read_api_graph(too_deep);
    ASSERT_FALSE(result);
    const std::size_t column = too_deep.rfind('[') + 1;  // the deepest bracket counts as read
    EXPECT_EQ(result.error().message(), "recursion limit exceeded at line 1 column " + std::to_string(column));

    // Type references count too: root, "endpoints", the endpoint, then
    // each TypeRef object and its "inner" array (two levels per nesting).
    auto type_nested = [](int n) {
        std::string t = R"({"kind":"any"})";
        for (int i = 0; i < n; ++i) t = R"({"kind":"array","inner":[)" + t + "]}";
        return R"({"endpoints":{"e":{"name":"e","kind":"rpc","returns":)" + t + "}}}";
    };
    EXPECT_TRUE(read_api_graph(type_nested(61)));
    EXPECT_FALSE(read_api_graph(type_nested(62)));

    const std::string skipped = R"({"unknown": )" + std::string(200, '[') + std::string(200, ']') + "}";
    EXPECT_TRUE(read_api_graph(skipped));
}

}  // namespace
}  // namespace tolv::schema
