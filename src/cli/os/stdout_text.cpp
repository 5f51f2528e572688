#include "cli/os/stdout_text.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "cli/os/os_error.hpp"

namespace tolv::cli {

void print_to_stdout(std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
        panic("failed printing to stdout: " + os_error_text(errno));
    }
}

void print_to_stderr(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void panic(std::string_view message) {
    std::fflush(stdout);
    std::string line(message);
    line += '\n';
    print_to_stderr(line);
    ::_exit(101);
}

}  // namespace tolv::cli
