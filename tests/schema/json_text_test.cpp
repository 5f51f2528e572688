#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "schema/json_writer.hpp"

namespace tolv::schema {
namespace {

TEST(FormatJsonNumber, LayoutOfFloats) {
    const std::pair<double, const char*> cases[] = {
        {1.0, "1.0"},
        {-1.0, "-1.0"},
        {0.0, "0.0"},
        {-0.0, "-0.0"},
        {1.5, "1.5"},
        {1000.0, "1000.0"},
        {0.1, "0.1"},
        {0.001, "0.001"},
        {0.00001, "0.00001"},
        {1e-6, "1e-6"},
        {1e-7, "1e-7"},
        {1.5e-7, "1.5e-7"},
        {123.456, "123.456"},
        {1e15, "1000000000000000.0"},
        {9007199254740993.0, "9007199254740992.0"},
        {1e16, "1e16"},
        {1e21, "1e21"},
        {18446744073709551616.0, "1.8446744073709552e19"},
        {1.7976931348623157e308, "1.7976931348623157e308"},
        {5e-324, "5e-324"},
        {-2.5e-300, "-2.5e-300"},
        {std::numeric_limits<double>::infinity(), "null"},
        {std::nan(""), "null"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(format_json_number(JsonValue(value)), text) << text;
}

TEST(FormatJsonNumber, IntegersInPlainDecimal) {
    EXPECT_EQ(format_json_number(JsonValue(std::uint64_t{0})), "0");
    EXPECT_EQ(format_json_number(JsonValue(std::uint64_t{18446744073709551615u})), "18446744073709551615");
    EXPECT_EQ(format_json_number(JsonValue(std::int64_t{-1})), "-1");
    EXPECT_EQ(format_json_number(JsonValue(std::numeric_limits<std::int64_t>::min())), "-9223372036854775808");
}

// Every printed float must read back to the same bits and look like a float.
TEST(FormatJsonNumber, RandomFloatsRoundTrip) {
    std::mt19937_64 rng(42);
    for (int i = 0; i < 20000; ++i) {
        double d;
        const std::uint64_t bits = rng();
        std::memcpy(&d, &bits, sizeof d);
        if (!std::isfinite(d)) continue;
        const std::string text = format_json_number(JsonValue(d));
        ASSERT_NE(text.find_first_of(".e"), std::string::npos) << text;
        double back = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), back);
        ASSERT_EQ(ec, std::errc()) << text;
        ASSERT_EQ(end, text.data() + text.size()) << text;
        ASSERT_EQ(std::memcmp(&back, &d, sizeof d), 0) << text;
    }
}

TEST(QuoteJsonString, Escapes) {
    EXPECT_EQ(quote_json_string("plain"), "\"plain\"");
    EXPECT_EQ(quote_json_string("\t\"\n\x01"), R"("\t\"\n\u0001")");
    EXPECT_EQ(quote_json_string("\b\f\r\\"), R"("\b\f\r\\")");
    EXPECT_EQ(quote_json_string(std::string("\0\x1f\x7f", 3)), "\"\\u0000\\u001f\x7f\"");
    EXPECT_EQ(quote_json_string("a/b é €"), "\"a/b é €\"");
}

TEST(WriteJsonValueCompact, NestedValue) {
    JsonValue::Object object;
    object["b"] = JsonValue(std::uint64_t{1});
    object["a"] = JsonValue(JsonValue::Array{nullptr, true, 2.0, "x"});
    EXPECT_EQ(write_json_value_compact(JsonValue(object)), R"({"a":[null,true,2.0,"x"],"b":1})");
}

}  // namespace
}  // namespace tolv::schema
