// Small text helpers shared by the printers.
#pragma once

#include <string_view>

namespace tolv::gen_ts {

// s without leading and trailing Unicode White_Space characters. Bytes that
// are not valid UTF-8 count as ordinary characters.
std::string_view trim_white_space(std::string_view s);

}  // namespace tolv::gen_ts
