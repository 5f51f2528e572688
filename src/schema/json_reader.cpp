#include "schema/json_reader.hpp"

namespace tolv::schema {

Result<ApiGraph> read_api_graph(std::string_view) { return fail("schema reader not built yet"); }

}  // namespace tolv::schema
