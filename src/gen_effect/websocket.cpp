#include "gen_effect/websocket.hpp"

#include <string>
#include <vector>

#include "codegen/declared_names.hpp"
#include "codegen/safe_names.hpp"

namespace tolv::gen_effect::printer {

namespace {

using codegen::Printer;

// One "event: Type" member per event, keyed by its source name; an empty
// line stands in for no events.
void print_events_interface(Printer& p, const std::string& name, const std::vector<schema::Param>& events,
                            lowering::Context& context) {
    p.emit({{"name", name}}, "export interface $name$ {");
    p.indent();
    if (events.empty()) p.line("");
    std::string key;
    for (const schema::Param& event : events) {
        key.clear();
        codegen::append_property_key(key, event.sourceName, codegen::QuoteStyle::Json);
        p.emit({{"event", key}, {"type", lowering::lower_ts(event.ty, context)}}, "$event$: $type$");
    }
    p.dedent();
    p.line("}");
}

}  // namespace

void print_websocket(Printer& p, const schema::Endpoint& endpoint, lowering::Context& context) {
    const codegen::SocketNames names(endpoint, codegen::Client::Effect);
    ModuleNames& module = context.names;
    print_events_interface(p, names.server_events, endpoint.serverEvents, context);
    p.line("");
    print_events_interface(p, names.client_events, endpoint.clientEvents, context);
    const std::string_view effect = module.use(Import::Effect), stream = module.use(Import::Stream);
    const std::string_view network_error = module.use(Import::TolvNetworkError);
    p.emit({{"socket", names.socket},
            {"server", names.server_events},
            {"client", names.client_events},
            {"Effect", effect},
            {"Stream", stream},
            {"TolvNetworkError", network_error},
            {"WebSocket", module.global(Global::WebSocket)}},
           R"(

        export interface $socket$ {
          readonly socket: $WebSocket$
          send<K extends keyof $client$>(event: K, data: $client$[K]): $Effect$.Effect<void, $TolvNetworkError$>
          on<K extends keyof $server$>(event: K): $Stream$.Stream<$server$[K], $TolvNetworkError$>
          close: $Effect$.Effect<void>
        }

    )");
    if (endpoint.doc) p.doc(*endpoint.doc);
    std::string name;
    codegen::append_string_literal(name, endpoint.name, codegen::QuoteStyle::Json);
    p.emit({{"factory", names.factory},
            {"socket", names.socket},
            {"server", names.server_events},
            {"client", names.client_events},
            {"name", name},
            {"Effect", effect},
            {"Stream", stream},
            {"TolvNetworkError", network_error},
            {"TolvClient", module.use(Import::TolvClient)},
            {"openWebSocket", module.use(Import::openWebSocket)},
            {"JSON", module.global(Global::JSON)},
            {"MessageEvent", module.global(Global::MessageEvent)}},
           R"(
        export const $factory$ = (): $Effect$.Effect<$socket$, $TolvNetworkError$, $TolvClient$> =>
          $Effect$.gen(function* () {
            const ws = yield* $openWebSocket$($name$)
            return {
              socket: ws,
              send<K extends keyof $client$>(event: K, data: $client$[K]) {
                return $Effect$.try({
                  try: () => ws.send($JSON$.stringify({ event, data })),
                  catch: (cause) =>
                    new $TolvNetworkError$({ url: ws.url, cause }),
                })
              },
              on<K extends keyof $server$>(event: K) {
                return $Stream$.async<$server$[K], $TolvNetworkError$>((emit) => {
                  const listener = (ev: $MessageEvent$) => {
                    try {
                      const parsed = $JSON$.parse(ev.data) as { event: string; data: unknown }
                      if (parsed.event === event) {
                        void emit.single(parsed.data as $server$[K])
                      }
                    } catch (cause) {
                      void emit.fail(new $TolvNetworkError$({ url: ws.url, cause }))
                    }
                  }
                  ws.addEventListener("message", listener)
                  return $Effect$.sync(() => ws.removeEventListener("message", listener))
                })
              },
              close: $Effect$.sync(() => ws.close()),
            }
          })
    )");
}

}  // namespace tolv::gen_effect::printer
