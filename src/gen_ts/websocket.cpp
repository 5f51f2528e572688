#include "gen_ts/websocket.hpp"

#include <string>
#include <vector>

#include "codegen/declared_names.hpp"
#include "codegen/safe_names.hpp"
#include "codegen/vocabulary.hpp"
#include "gen_ts/lowering.hpp"

namespace tolv::gen_ts {

using codegen::Printer;
using codegen::QuoteStyle;
using schema::Endpoint;
using schema::Param;

namespace {

std::vector<std::string> payload_types(const std::vector<Param>& events, const ApiContext& api) {
    std::vector<std::string> out;
    out.reserve(events.size());
    for (const Param& event : events) out.push_back(lower_with_own_flags(event.ty, api.types));
    return out;
}

// Events are named by their source name on the wire and in the interfaces.
void print_events_interface(Printer& p, std::string_view name, const std::vector<Param>& events,
                            const std::vector<std::string>& payloads) {
    p.emit({{"name", name}}, "export interface $name$ {");
    p.indent();
    std::string key;
    for (std::size_t i = 0; i < events.size(); ++i) {
        key.clear();
        codegen::append_property_key(key, events[i].sourceName, QuoteStyle::Plain);
        p.emit({{"event", key}, {"type", payloads[i]}}, "$event$: $type$;");
    }
    p.dedent();
    p.line("}");
    p.line("");
}

// An event whose payload has keys to rename, and the expression over `data`
// that renames them.
struct PayloadConversion {
    std::string event;  // the event's source name as a string literal
    std::string converted;
};

// The payload conversions of the events that need one: to wire names for
// what the server sends, to source names for what the client sends. The
// expressions read `data`, a value of type any.
std::vector<PayloadConversion> payload_conversions(const std::vector<Param>& events, const KeyMapper& keys,
                                                   KeyMapper::Direction direction) {
    std::vector<PayloadConversion> out;
    for (const Param& event : events) {
        // Only a model, or arrays of one, can have keys to rename.
        if (!response_needs_conversion(event.ty)) continue;
        std::string converted = direction == KeyMapper::Direction::Response
                                    ? keys.response(event.ty, "data", 0)
                                    : keys.request(event.ty, "data", 0, false, /*untyped=*/true);
        if (converted == "data") continue;
        std::string literal;
        codegen::append_string_literal(literal, event.sourceName, QuoteStyle::Plain);
        out.push_back({std::move(literal), std::move(converted)});
    }
    return out;
}

// "private toWire(event, data)" or "toSource": a switch over the event name
// that converts the payload of each event in `conversions`.
void print_payload_conversion(Printer& p, std::string_view method, const std::vector<PayloadConversion>& conversions) {
    if (conversions.empty()) return;
    p.emit({{"method", method}}, R"(

        private $method$(event: string, data: any): unknown {
            switch (event) {
    )");
    p.indent();
    p.indent();
    for (const PayloadConversion& conversion : conversions) {
        p.emit({{"event", conversion.event}, {"converted", conversion.converted}}, "case $event$: return $converted$;");
    }
    p.dedent();
    p.dedent();
    p.emit({}, R"(
                default: return data;
            }
        }
    )");
}

// Incoming payloads reach every listener converted to wire names (by toWire
// when `convert_incoming`); the generic send converts like the per-event
// ones (by toSource when `convert_outgoing`).
void print_fixed_members(Printer& p, const Endpoint& endpoint, const ApiContext& api, std::string_view server,
                         std::string_view client, bool convert_incoming, bool convert_outgoing) {
    // The name is written into the URL as it is, only escaped for the template literal.
    std::string path;
    codegen::append_template_text(path, endpoint.name);
    // One set of names for the members, printed in three parts around the
    // delivery of a message.
    const codegen::Var vars[] = {
        {"path", path},
        {"server", server},
        {"client", client},
        {"sent", convert_outgoing ? "this.toSource(event as string, data)" : "data"},
        {"getBaseUrl", api.get_base_url},
        {"WebSocket", api.web_socket},
        {"Map", api.map},
        {"Set", api.set},
        {"CloseEvent", api.close_event},
        {"Event", api.event},
        {"Error", api.error},
        {"JSON", api.json},
    };
    p.emit(vars, R"(
        private ws: $WebSocket$ | null = null;
        private listeners: $Map$<string, $Set$<(data: unknown) => void>> = new $Map$();
        private connectionListeners: $Set$<() => void> = new $Set$();
        private disconnectionListeners: $Set$<(event: $CloseEvent$) => void> = new $Set$();
        private errorListeners: $Set$<(error: $Event$) => void> = new $Set$();

        connect(): void {
            const baseUrl = $getBaseUrl$().replace(/^http/, 'ws');
            this.ws = new $WebSocket$(`${baseUrl}/ws/$path$`);
            this.ws.onopen = () => this.connectionListeners.forEach((cb) => cb());
            this.ws.onclose = (event) => this.disconnectionListeners.forEach((cb) => cb(event));
            this.ws.onerror = (error) => this.errorListeners.forEach((cb) => cb(error));
            this.ws.onmessage = (event) => {
                const message = $JSON$.parse(event.data);
                const callbacks = this.listeners.get(message.event);
    )");
    p.indent();
    p.indent();
    if (convert_incoming) {
        p.emit({}, R"(
            if (!callbacks) return;
            const data = this.toWire(message.event, message.data);
            callbacks.forEach((cb) => cb(data));
        )");
    } else {
        p.line("callbacks?.forEach((cb) => cb(message.data));");
    }
    p.dedent();
    p.dedent();
    p.emit(vars, R"(
            };
        }

        disconnect(): void {
            this.ws?.close();
            this.ws = null;
        }

        get isConnected(): boolean {
            return this.ws?.readyState === $WebSocket$.OPEN;
        }

        on<K extends keyof $server$>(event: K, callback: (data: $server$[K]) => void): () => void {
            const eventName = event as string;
            if (!this.listeners.has(eventName)) this.listeners.set(eventName, new $Set$());
            const cb = callback as (data: unknown) => void;
            this.listeners.get(eventName)!.add(cb);
            return () => this.listeners.get(eventName)?.delete(cb);
        }

        private sendRaw(event: string, data: unknown): void {
            if (!this.ws || this.ws.readyState !== $WebSocket$.OPEN) {
                throw new $Error$('[Tolv] WebSocket is not connected');
            }
            this.ws.send($JSON$.stringify({ event, data }));
        }

        send<K extends keyof $client$>(event: K, data: $client$[K]): void {
            this.sendRaw(event as string, $sent$);
        }

        onConnect(callback: () => void): () => void {
            this.connectionListeners.add(callback);
            return () => this.connectionListeners.delete(callback);
        }

        onDisconnect(callback: (event: $CloseEvent$) => void): () => void {
            this.disconnectionListeners.add(callback);
            return () => this.disconnectionListeners.delete(callback);
        }

        onError(callback: (error: $Event$) => void): () => void {
            this.errorListeners.add(callback);
            return () => this.errorListeners.delete(callback);
        }
    )");
}

// One method per event: "on" or "send" and the PascalCase event name.
void print_event_methods(Printer& p, const Endpoint& endpoint, const std::vector<std::string>& server_payloads,
                         const std::vector<std::string>& client_payloads, const KeyMapper& keys) {
    std::string event;
    for (std::size_t i = 0; i < endpoint.serverEvents.size(); ++i) {
        const Param& server_event = endpoint.serverEvents[i];
        const std::string method = codegen::event_method("on", server_event.sourceName);
        event.clear();
        codegen::append_string_literal(event, server_event.sourceName, QuoteStyle::Plain);
        p.emit({{"method", method}, {"type", server_payloads[i]}, {"event", event}}, R"(

            $method$(callback: (data: $type$) => void): () => void {
                return this.on($event$, callback);
            }
        )");
    }
    for (std::size_t i = 0; i < endpoint.clientEvents.size(); ++i) {
        const Param& client_event = endpoint.clientEvents[i];
        const std::string method = codegen::event_method("send", client_event.sourceName);
        const std::string data = keys.request(client_event.ty, "data", 0);
        event.clear();
        codegen::append_string_literal(event, client_event.sourceName, QuoteStyle::Plain);
        p.emit({{"method", method}, {"type", client_payloads[i]}, {"event", event}, {"data", data}}, R"(

            $method$(data: $type$): void {
                this.sendRaw($event$, $data$);
            }
        )");
    }
}

}  // namespace

void print_websocket_block(Printer& p, const Endpoint& endpoint, const ApiContext& api) {
    const codegen::SocketNames names(endpoint, codegen::Client::Plain);
    const std::vector<std::string> server_payloads = payload_types(endpoint.serverEvents, api);
    const std::vector<std::string> client_payloads = payload_types(endpoint.clientEvents, api);

    print_events_interface(p, names.server_events, endpoint.serverEvents, server_payloads);
    print_events_interface(p, names.client_events, endpoint.clientEvents, client_payloads);
    if (endpoint.doc) p.doc(*endpoint.doc);
    p.emit({{"socket", names.socket}}, "export class $socket$ {");
    p.indent();
    const auto incoming = payload_conversions(endpoint.serverEvents, api.keys, KeyMapper::Direction::Response);
    const auto outgoing = payload_conversions(endpoint.clientEvents, api.keys, KeyMapper::Direction::Request);
    print_fixed_members(p, endpoint, api, names.server_events, names.client_events, !incoming.empty(),
                        !outgoing.empty());
    print_event_methods(p, endpoint, server_payloads, client_payloads, api.keys);
    print_payload_conversion(p, "toWire", incoming);
    print_payload_conversion(p, "toSource", outgoing);
    p.dedent();
    p.emit({{"factory", names.factory}, {"socket", names.socket}}, R"(
        }

        export function $factory$(): $socket$ {
            return new $socket$();
        }
    )");
}

}  // namespace tolv::gen_ts
