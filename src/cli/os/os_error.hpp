// cli/os: small operating-system helpers: OS error text, owned descriptors, the program's own output, signals.
#pragma once

#include <string>

#include "base/error.hpp"

namespace tolv::cli {

// "Permission denied (os error 13)".
std::string os_error_text(int errnum);

// An error whose only message is the rendered OS error.
inline Error os_error(int errnum) { return Error(os_error_text(errnum)); }

}  // namespace tolv::cli
