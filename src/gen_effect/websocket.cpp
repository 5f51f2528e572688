#include <string_view>

#include "gen_effect/doc_comment.hpp"
#include "gen_effect/endpoints.hpp"
#include "gen_effect/lowering.hpp"
#include "schema/naming.hpp"

namespace tolv::gen_effect::printer {

namespace {

// "export interface {name} {" with one "  event: Type" line per event.
std::string events_interface(const std::string& name, const std::vector<schema::Param>& events,
                             const schema::ApiGraph& graph) {
    std::string text = "export interface " + name + " {\n";
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (i != 0) text += '\n';
        text += "  " + events[i].sourceName + ": " + lowering::lower_with_enums(events[i].ty, graph.enums).ts;
    }
    text += "\n}";
    return text;
}

}  // namespace

std::string emit_websocket(const schema::Endpoint& endpoint, const schema::ApiGraph& graph) {
    const std::string pascal = schema::to_pascal_case(endpoint.name);
    const std::string server = pascal + "ServerEvents";
    const std::string client = pascal + "ClientEvents";
    const std::string socket = pascal + "Socket";

    std::string text = events_interface(server, endpoint.serverEvents, graph);
    text += "\n\n";
    text += events_interface(client, endpoint.clientEvents, graph);
    text += "\n\n";
    text += "export interface " + socket + " {\n";
    text += "  readonly socket: WebSocket\n";
    text += "  send<K extends keyof " + client + ">(event: K, data: " + client +
            "[K]): Effect.Effect<void, TolvNetworkError>\n";
    text += "  on<K extends keyof " + server + ">(event: K): Stream.Stream<" + server + "[K], TolvNetworkError>\n";
    text += "  close: Effect.Effect<void>\n";
    text += "}\n\n";
    for (const std::string& line : doc_block(endpoint.doc)) {
        text += line;
        text += '\n';
    }
    text += "export const connect" + pascal + " = (): Effect.Effect<" + socket + ", TolvNetworkError, TolvClient> =>\n";
    text += "  Effect.gen(function* () {\n";
    text += "    const ws = yield* openWebSocket(\"" + endpoint.name + "\")\n";
    text += "    return {\n";
    text += "      socket: ws,\n";
    text += "      send<K extends keyof " + client + ">(event: K, data: " + client + "[K]) {\n";
    text += "        return Effect.try({\n";
    text += "          try: () => ws.send(JSON.stringify({ event, data })),\n";
    text += "          catch: (cause) =>\n";
    text += "            new TolvNetworkError({ url: ws.url, cause }),\n";
    text += "        })\n";
    text += "      },\n";
    text += "      on<K extends keyof " + server + ">(event: K) {\n";
    text += "        return Stream.async<" + server + "[K], TolvNetworkError>((emit) => {\n";
    text += "          const listener = (ev: MessageEvent) => {\n";
    text += "            try {\n";
    text += "              const parsed = JSON.parse(ev.data) as { event: string; data: unknown }\n";
    text += "              if (parsed.event === event) {\n";
    text += "                void emit.single(parsed.data as " + server + "[K])\n";
    text += "              }\n";
    text += "            } catch (cause) {\n";
    text += "              void emit.fail(new TolvNetworkError({ url: ws.url, cause }))\n";
    text += "            }\n";
    text += "          }\n";
    text += "          ws.addEventListener(\"message\", listener)\n";
    text += "          return Effect.sync(() => ws.removeEventListener(\"message\", listener))\n";
    text += "        })\n";
    text += "      },\n";
    text += "      close: Effect.sync(() => ws.close()),\n";
    text += "    }\n";
    text += "  })";
    return text;
}

}  // namespace tolv::gen_effect::printer
