// Prints a synthetic schema document of about the requested size, for
// whole-process timing of `tolv gen` (see whole_process.sh).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "schema/json_writer.hpp"
#include "synthetic_schema.hpp"

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 20.0;
    // Measure a small graph, then scale the counts to reach the target size.
    const std::size_t probe = 200;
    const std::size_t probe_size = tolv::schema::write_compact(tolv::bench::make_synthetic_graph(probe, probe)).size();
    const auto scale = static_cast<std::size_t>(megabytes * 1024 * 1024 / static_cast<double>(probe_size) * probe);
    const std::string text = tolv::schema::write_compact(tolv::bench::make_synthetic_graph(scale, scale));
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}
