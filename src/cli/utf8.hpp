// UTF-8 checks on byte strings: validation with the failing position,
// lossy decoding and debug quoting.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tolv::cli {

struct Utf8Error {
    std::size_t valid_up_to = 0;
    // Length of the invalid sequence; nullopt when the input ends inside a
    // sequence that could still have been valid.
    std::optional<std::size_t> error_len;

    // "invalid utf-8 sequence of 1 bytes from index 5" or
    // "incomplete utf-8 byte sequence from index 5".
    std::string message() const;
};

std::optional<Utf8Error> validate_utf8(std::string_view bytes);

// Each maximal invalid sequence becomes one U+FFFD.
std::string lossy_utf8(std::string_view bytes);

}  // namespace tolv::cli

namespace tolv::cli {

// Bytes in double quotes with backslash escapes: \" \\ \t \r \n, other
// control characters as \u{7f}, invalid UTF-8 bytes as \xFF.
std::string quote_debug(std::string_view bytes);

}  // namespace tolv::cli
