#include "gen_effect/websocket.hpp"

#include <string>
#include <vector>

#include "codegen/declared_names.hpp"
#include "codegen/vocabulary.hpp"

namespace tolv::gen_effect::printer {

namespace {

using codegen::Printer;

// One "event: Type" member per event, by its source name; an empty line
// stands in for no events.
void print_events_interface(Printer& p, const std::string& name, const std::vector<schema::Param>& events,
                            const lowering::EnumMap& enums) {
    p.emit({{"name", name}}, "export interface $name$ {");
    p.indent();
    if (events.empty()) p.line("");
    for (const schema::Param& event : events) {
        p.emit({{"event", event.sourceName}, {"type", lowering::lower_with_enums(event.ty, enums).ts}},
               "$event$: $type$");
    }
    p.dedent();
    p.line("}");
}

}  // namespace

void print_websocket(Printer& p, const schema::Endpoint& endpoint, const lowering::EnumMap& enums) {
    const codegen::SocketNames names(endpoint, codegen::Client::Effect);
    print_events_interface(p, names.server_events, endpoint.serverEvents, enums);
    p.line("");
    print_events_interface(p, names.client_events, endpoint.clientEvents, enums);
    p.emit({{"socket", names.socket}, {"server", names.server_events}, {"client", names.client_events}}, R"(

        export interface $socket$ {
          readonly socket: WebSocket
          send<K extends keyof $client$>(event: K, data: $client$[K]): Effect.Effect<void, TolvNetworkError>
          on<K extends keyof $server$>(event: K): Stream.Stream<$server$[K], TolvNetworkError>
          close: Effect.Effect<void>
        }

    )");
    if (endpoint.doc) p.doc(*endpoint.doc);
    p.emit({{"factory", names.factory},
            {"socket", names.socket},
            {"server", names.server_events},
            {"client", names.client_events},
            {"name", endpoint.name}},
           R"(
        export const $factory$ = (): Effect.Effect<$socket$, TolvNetworkError, TolvClient> =>
          Effect.gen(function* () {
            const ws = yield* openWebSocket("$name$")
            return {
              socket: ws,
              send<K extends keyof $client$>(event: K, data: $client$[K]) {
                return Effect.try({
                  try: () => ws.send(JSON.stringify({ event, data })),
                  catch: (cause) =>
                    new TolvNetworkError({ url: ws.url, cause }),
                })
              },
              on<K extends keyof $server$>(event: K) {
                return Stream.async<$server$[K], TolvNetworkError>((emit) => {
                  const listener = (ev: MessageEvent) => {
                    try {
                      const parsed = JSON.parse(ev.data) as { event: string; data: unknown }
                      if (parsed.event === event) {
                        void emit.single(parsed.data as $server$[K])
                      }
                    } catch (cause) {
                      void emit.fail(new TolvNetworkError({ url: ws.url, cause }))
                    }
                  }
                  ws.addEventListener("message", listener)
                  return Effect.sync(() => ws.removeEventListener("message", listener))
                })
              },
              close: Effect.sync(() => ws.close()),
            }
          })
    )");
}

}  // namespace tolv::gen_effect::printer
