// The names by which api.ts reaches what it imports and the globals it uses,
// and which imports its text has used. A schema that declares one of these
// names keeps it: the module imports under "_Name" and reaches the global
// through globalThis.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "codegen/declared_names.hpp"

namespace tolv::gen_effect {

// In the order of the import lists: three from "effect", then the runtime's.
enum class Import : std::uint8_t {
    Effect,
    Schema,
    Stream,
    callCommand,
    callChannel,
    callUpload,
    buildStaticUrl,
    openWebSocket,
    runPromise,
    toAsyncIterable,
    CallOptions,
    UploadOptions,
    TolvClient,
    TolvError,
    TolvNetworkError,
    TolvDecodeError,
};
inline constexpr std::size_t kImportCount = static_cast<std::size_t>(Import::TolvDecodeError) + 1;
inline constexpr std::size_t kEffectImportCount = static_cast<std::size_t>(Import::Stream) + 1;

enum class Global : std::uint8_t {
    ReadonlyArray,
    Readonly,
    Record,
    File,
    Promise,
    AsyncIterable,
    WebSocket,
    MessageEvent,
    CloseEvent,
    JSON,
    Symbol,
    Object,
    PropertyKey,
    Array,
};
inline constexpr std::size_t kGlobalCount = static_cast<std::size_t>(Global::Array) + 1;

class ModuleNames {
public:
    // No schema names: every name is itself.
    ModuleNames();
    explicit ModuleNames(const codegen::DeclaredNames& declared);

    // The name of an import in the module's text; marks it used.
    std::string_view use(Import name) {
        used_.set(static_cast<std::size_t>(name));
        return local(name);
    }
    // The same, unmarked: for the import list itself.
    std::string_view local(Import name) const { return imports_[static_cast<std::size_t>(name)]; }
    // "Schema." or "_Schema.", which every Schema expression starts with;
    // marks Schema used.
    std::string_view schema() {
        used_.set(static_cast<std::size_t>(Import::Schema));
        return schema_prefix_;
    }
    std::string_view global(Global name) const { return globals_[static_cast<std::size_t>(name)]; }

    bool used(Import name) const { return used_.test(static_cast<std::size_t>(name)); }
    // The name as "effect" or the runtime module exports it.
    static std::string_view exported(Import name) { return kImportNames[static_cast<std::size_t>(name)]; }
    const codegen::DeclaredNames& declared() const { return *declared_; }

private:
    static const std::array<std::string_view, kImportCount> kImportNames;

    const codegen::DeclaredNames* declared_;
    std::array<std::string, kImportCount> imports_;
    std::string schema_prefix_;
    std::array<std::string, kGlobalCount> globals_;
    std::bitset<kImportCount> used_;
};

}  // namespace tolv::gen_effect
