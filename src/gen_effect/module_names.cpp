#include "gen_effect/module_names.hpp"

namespace tolv::gen_effect {

namespace {

constexpr std::array<std::string_view, kGlobalCount> kGlobalNames = {
    "ReadonlyArray", "Readonly",   "Record", "File",   "Promise", "AsyncIterable", "WebSocket",
    "MessageEvent",  "CloseEvent", "JSON",   "Symbol", "Object",  "PropertyKey",   "Array",
};

}  // namespace

const std::array<std::string_view, kImportCount> ModuleNames::kImportNames = {
    "Effect",         "Schema",        "Stream",           "callCommand",     "callChannel", "callUpload",
    "buildStaticUrl", "openWebSocket", "runPromise",       "toAsyncIterable", "CallOptions", "UploadOptions",
    "TolvClient",     "TolvError",     "TolvNetworkError", "TolvDecodeError",
};

ModuleNames::ModuleNames()
    : ModuleNames([]() -> const codegen::DeclaredNames& {
          static const codegen::DeclaredNames none;
          return none;
      }()) {}

ModuleNames::ModuleNames(const codegen::DeclaredNames& declared) : declared_(&declared) {
    for (std::size_t i = 0; i < kImportCount; ++i) imports_[i] = declared.import_name(kImportNames[i]);
    schema_prefix_ = imports_[static_cast<std::size_t>(Import::Schema)] + ".";
    for (std::size_t i = 0; i < kGlobalCount; ++i) globals_[i] = declared.global_name(kGlobalNames[i]);
}

}  // namespace tolv::gen_effect
