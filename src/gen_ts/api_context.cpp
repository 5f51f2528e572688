#include "gen_ts/api_context.hpp"

namespace tolv::gen_ts {

ApiContext::ApiContext(const KeyMapper& key_mapper, const codegen::DeclaredNames& declared)
    : keys(key_mapper),
      types(key_mapper.graph().enums, declared.global_name("Record")),
      request(declared.import_name("request")),
      create_channel(declared.import_name("createChannel")),
      create_upload(declared.import_name("createUpload")),
      get_base_url(declared.import_name("getBaseUrl")),
      bridge_channel(declared.import_name("BridgeChannel")),
      upload_handle(declared.import_name("UploadHandle")),
      promise(declared.global_name("Promise")),
      file(declared.global_name("File")),
      string(declared.global_name("String")),
      url_search_params(declared.global_name("URLSearchParams")),
      web_socket(declared.global_name("WebSocket")),
      map(declared.global_name("Map")),
      set(declared.global_name("Set")),
      close_event(declared.global_name("CloseEvent")),
      event(declared.global_name("Event")),
      error(declared.global_name("Error")),
      json(declared.global_name("JSON")),
      object(declared.global_name("Object")) {}

}  // namespace tolv::gen_ts
