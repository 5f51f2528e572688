#include "gen_effect/websocket.hpp"

#include <string>
#include <string_view>
#include <vector>

#include "codegen/declared_names.hpp"
#include "codegen/safe_names.hpp"

namespace tolv::gen_effect::printer {

namespace {

using codegen::Printer;
using lowering::TypeExpr;

// Each event's type and schema, in list order.
std::vector<TypeExpr> lower_events(const std::vector<schema::Param>& events, lowering::Context& context) {
    std::vector<TypeExpr> lowered;
    lowered.reserve(events.size());
    for (const schema::Param& event : events) lowered.push_back(lowering::lower_with_enums(event.ty, context));
    return lowered;
}

// One "event: Type" member per event, keyed by its source name; an empty
// line stands in for no events.
void print_events_interface(Printer& p, const std::string& name, const std::vector<schema::Param>& events,
                            const std::vector<TypeExpr>& types) {
    p.emit({{"name", name}}, "export interface $name$ {");
    p.indent();
    if (events.empty()) p.line("");
    std::string key;
    for (std::size_t i = 0; i < events.size(); ++i) {
        key.clear();
        codegen::append_property_key(key, events[i].sourceName, codegen::QuoteStyle::Json);
        p.emit({{"event", key}, {"type", types[i].ts}}, "$event$: $type$");
    }
    p.dedent();
    p.line("}");
}

// "const name: {...} = {" with one "event: schema," entry per event, keyed by
// its source name, and "}"; "= {}" for no events. The mapped type keeps each
// event's own type when the object is indexed by a generic key; the encoded
// side is "any" because Schema's type parameters are invariant and each
// event's encoded type differs.
void print_event_schemas(Printer& p, std::string_view constant, const std::string& events_interface,
                         const std::vector<schema::Param>& events, const std::vector<TypeExpr>& types,
                         std::string_view schema) {
    p.emit({{"constant", constant},
            {"events", events_interface},
            {"Schema", schema},
            {"open", events.empty() ? "{}" : "{"}},
           "const $constant$: { readonly [E in keyof $events$]: $Schema$Schema<$events$[E], any> } = $open$");
    if (events.empty()) return;
    p.indent();
    std::string entry;
    for (std::size_t i = 0; i < events.size(); ++i) {
        entry.clear();
        codegen::append_object_key(entry, events[i].sourceName, codegen::QuoteStyle::Json);
        entry.append(": ").append(types[i].schema).append(",");
        p.line(entry);
    }
    p.dedent();
    p.line("}");
}

}  // namespace

void print_websocket(Printer& p, const schema::Endpoint& endpoint, lowering::Context& context) {
    const codegen::SocketNames names(endpoint, codegen::Client::Effect);
    ModuleNames& module = context.names;
    const std::vector<TypeExpr> server = lower_events(endpoint.serverEvents, context);
    const std::vector<TypeExpr> client = lower_events(endpoint.clientEvents, context);
    print_events_interface(p, names.server_events, endpoint.serverEvents, server);
    p.line("");
    print_events_interface(p, names.client_events, endpoint.clientEvents, client);
    std::string name;
    codegen::append_string_literal(name, endpoint.name, codegen::QuoteStyle::Json);
    const std::string_view schema = module.schema();
    // One set of names for the whole block, printed in parts around the doc
    // comment and the event schemas.
    const codegen::Var vars[] = {
        {"socket", names.socket},
        {"server", names.server_events},
        {"client", names.client_events},
        {"factory", names.factory},
        {"name", name},
        {"Effect", module.use(Import::Effect)},
        {"Schema", schema},
        {"Stream", module.use(Import::Stream)},
        {"TolvNetworkError", module.use(Import::TolvNetworkError)},
        {"TolvDecodeError", module.use(Import::TolvDecodeError)},
        {"TolvClient", module.use(Import::TolvClient)},
        {"openWebSocket", module.use(Import::openWebSocket)},
        {"WebSocket", module.global(Global::WebSocket)},
        {"JSON", module.global(Global::JSON)},
        {"MessageEvent", module.global(Global::MessageEvent)},
        {"CloseEvent", module.global(Global::CloseEvent)},
    };
    p.emit(vars,
           R"(

        export interface $socket$ {
          readonly socket: $WebSocket$
          send<K extends keyof $client$>(event: K, data: $client$[K]): $Effect$.Effect<void, $TolvNetworkError$ | $TolvDecodeError$>
          on<K extends keyof $server$>(event: K): $Stream$.Stream<$server$[K], $TolvNetworkError$ | $TolvDecodeError$>
          close: $Effect$.Effect<void>
        }

    )");
    if (endpoint.doc) p.doc(*endpoint.doc);
    p.emit(vars, R"(
        export const $factory$ = (): $Effect$.Effect<$socket$, $TolvNetworkError$, $TolvClient$> =>
          $Effect$.gen(function* () {
            const ws = yield* $openWebSocket$($name$)
    )");
    p.indent();
    p.indent();
    print_event_schemas(p, "serverSchemas", names.server_events, endpoint.serverEvents, server, schema);
    print_event_schemas(p, "clientSchemas", names.client_events, endpoint.clientEvents, client, schema);
    // Payloads travel with source keys: each is encoded before it is sent and
    // decoded before it is handed over, as command arguments and results are.
    // A closing or closed socket drops a frame without throwing, so send
    // fails there itself; a connecting one throws from ws.send. A stream ends
    // at a clean close and fails at any other: the socket dispatches every
    // frame before its close event, and the stream's queue keeps that order.
    p.emit(vars,
           R"(
            return {
              socket: ws,
              send<K extends keyof $client$>(event: K, data: $client$[K]) {
                return $Schema$encodeUnknown(clientSchemas[event])(data).pipe(
                  $Effect$.mapError((cause) => new $TolvDecodeError$({ url: ws.url, cause })),
                  $Effect$.flatMap((encoded) =>
                    $Effect$.try({
                      try: () => {
                        if (ws.readyState > $WebSocket$.OPEN) {
                          throw ws.readyState === $WebSocket$.CLOSING ? "WebSocket is closing" : "WebSocket is closed"
                        }
                        ws.send($JSON$.stringify({ event, data: encoded }))
                      },
                      catch: (cause) =>
                        new $TolvNetworkError$({ url: ws.url, cause }),
                    }),
                  ),
                )
              },
              on<K extends keyof $server$>(event: K) {
                return $Stream$.async<$server$[K], $TolvNetworkError$ | $TolvDecodeError$>((emit) => {
                  if (ws.readyState > $WebSocket$.OPEN) {
                    void emit.end()
                    return
                  }
                  const listener = (ev: $MessageEvent$) => {
                    try {
                      const parsed = $JSON$.parse(ev.data) as { event: string; data: unknown }
                      if (parsed.event === event) {
                        const decoded = $Schema$decodeUnknownEither(serverSchemas[event])(parsed.data)
                        if (decoded._tag === "Right") {
                          void emit.single(decoded.right)
                        } else {
                          void emit.fail(new $TolvDecodeError$({ url: ws.url, cause: decoded.left }))
                        }
                      }
                    } catch (cause) {
                      void emit.fail(new $TolvNetworkError$({ url: ws.url, cause }))
                    }
                  }
                  const closed = (ev: $CloseEvent$) => {
                    void (ev.wasClean ? emit.end() : emit.fail(new $TolvNetworkError$({ url: ws.url, cause: ev })))
                  }
                  ws.addEventListener("message", listener)
                  ws.addEventListener("close", closed)
                  return $Effect$.sync(() => {
                    ws.removeEventListener("message", listener)
                    ws.removeEventListener("close", closed)
                  })
                })
              },
              close: $Effect$.sync(() => ws.close()),
            }
    )");
    p.dedent();
    p.dedent();
    p.line("  })");
}

}  // namespace tolv::gen_effect::printer
