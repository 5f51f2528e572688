#include "gen_ts/api_context.hpp"

namespace tolv::gen_ts {

ApiContext::ApiContext(const KeyMapper& key_mapper, const codegen::DeclaredNames& names)
    : keys(key_mapper),
      declared(names),
      types(key_mapper.graph().enums, names.global_name("Record")),
      request(names.import_name("request")),
      create_channel(names.import_name("createChannel")),
      create_upload(names.import_name("createUpload")),
      get_base_url(names.import_name("getBaseUrl")),
      bridge_channel(names.import_name("BridgeChannel")),
      upload_handle(names.import_name("UploadHandle")),
      promise(names.global_name("Promise")),
      file(names.global_name("File")),
      string(names.global_name("String")),
      url_search_params(names.global_name("URLSearchParams")),
      web_socket(names.global_name("WebSocket")),
      map(names.global_name("Map")),
      set(names.global_name("Set")),
      close_event(names.global_name("CloseEvent")),
      event(names.global_name("Event")),
      error(names.global_name("Error")),
      json(names.global_name("JSON")),
      object(names.global_name("Object")) {}

}  // namespace tolv::gen_ts
