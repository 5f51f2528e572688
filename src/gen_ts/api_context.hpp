// What the printers of one api.ts share: the key conversions of the graph,
// the names the schema declares, the scope of type lowering, and the names
// by which the module reaches the runtime's exports and the globals it uses.
#pragma once

#include <string>

#include "codegen/declared_names.hpp"
#include "gen_ts/key_mapping.hpp"
#include "gen_ts/lowering.hpp"

namespace tolv::gen_ts {

struct ApiContext {
    // Each name below is the name itself, or, when the schema declares it,
    // "_name" for an import and "globalThis.name" for a global.
    ApiContext(const KeyMapper& key_mapper, const codegen::DeclaredNames& names);

    const KeyMapper& keys;
    // The schema's names, by which endpoint functions are printed too.
    const codegen::DeclaredNames& declared;
    TypeScope types;
    // Imports from the runtime module.
    std::string request, create_channel, create_upload, get_base_url, bridge_channel, upload_handle;
    // Globals.
    std::string promise, file, string, url_search_params, web_socket, map, set, close_event, event, error, json, object;
};

}  // namespace tolv::gen_ts
