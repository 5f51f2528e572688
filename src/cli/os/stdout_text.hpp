// Writing the program's own output; a write that fails is a broken
// invariant of the process (exit 101), as with a closed pipe.
#pragma once

#include <string_view>

namespace tolv::cli {

void print_to_stdout(std::string_view text);

// A failure to write to standard error cannot be reported anywhere: ignored.
void print_to_stderr(std::string_view text);

// Prints "{message}\n" on standard error and ends the process with 101.
[[noreturn]] void panic(std::string_view message);

}  // namespace tolv::cli
