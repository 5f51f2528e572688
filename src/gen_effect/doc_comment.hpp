// Documentation comments of the generated endpoints.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tolv::gen_effect::printer {

// "/**", one " * " line per line of the trimmed text, " */"; nothing for no text.
std::vector<std::string> doc_block(const std::optional<std::string>& doc);

}  // namespace tolv::gen_effect::printer
