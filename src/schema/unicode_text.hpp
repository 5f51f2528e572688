// Unicode helpers on UTF-8 text shared by the generators and the command line.
#pragma once

#include <string_view>

namespace tolv::schema {

// s without leading and trailing Unicode White_Space characters. Bytes that
// are not valid UTF-8 count as ordinary characters.
std::string_view trim_unicode_whitespace(std::string_view s);

}  // namespace tolv::schema
