#include "cli/os/os_error.hpp"

#include <cstring>

#include <fmt/format.h>

namespace tolv::cli {

std::string os_error_text(int errnum) {
    char buffer[256];
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(errnum, buffer, sizeof buffer);
    return fmt::format("{} (os error {})", text, errnum);
}

}  // namespace tolv::cli
