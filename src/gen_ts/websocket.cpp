#include "gen_ts/websocket.hpp"

#include <string>
#include <vector>

#include "gen_ts/lowering.hpp"
#include "schema/naming.hpp"

namespace tolv::gen_ts {

using schema::Endpoint;
using schema::Param;

namespace {

// Events are named by their source name on the wire and in the interfaces.
void print_events_interface(TsPrinter& p, std::string_view name, const std::vector<Param>& events,
                            const std::vector<std::string>& payloads) {
    p.linef("export interface {} {{", name);
    p.indent();
    for (std::size_t i = 0; i < events.size(); ++i) p.linef("{}: {};", events[i].sourceName, payloads[i]);
    p.dedent();
    p.line("}");
    p.line("");
}

std::vector<std::string> payload_types(const std::vector<Param>& events, const schema::ApiGraph& graph) {
    std::vector<std::string> out;
    out.reserve(events.size());
    for (const Param& event : events) out.push_back(lower_with_own_flags(event.ty, graph.enums));
    return out;
}

void print_fixed_members(TsPrinter& p, const Endpoint& endpoint, std::string_view server_events,
                         std::string_view client_events) {
    p.line("private ws: WebSocket | null = null;");
    p.line("private listeners: Map<string, Set<(data: unknown) => void>> = new Map();");
    p.line("private connectionListeners: Set<() => void> = new Set();");
    p.line("private disconnectionListeners: Set<(event: CloseEvent) => void> = new Set();");
    p.line("private errorListeners: Set<(error: Event) => void> = new Set();");
    p.line("");
    p.line("connect(): void {");
    p.indent();
    p.line("const baseUrl = getBaseUrl().replace(/^http/, 'ws');");
    p.linef("this.ws = new WebSocket(`${{baseUrl}}/ws/{}`);", endpoint.name);
    p.line("this.ws.onopen = () => this.connectionListeners.forEach((cb) => cb());");
    p.line("this.ws.onclose = (event) => this.disconnectionListeners.forEach((cb) => cb(event));");
    p.line("this.ws.onerror = (error) => this.errorListeners.forEach((cb) => cb(error));");
    p.line("this.ws.onmessage = (event) => {");
    p.indent();
    p.line("const message = JSON.parse(event.data);");
    p.line("const callbacks = this.listeners.get(message.event);");
    p.line("callbacks?.forEach((cb) => cb(message.data));");
    p.dedent();
    p.line("};");
    p.dedent();
    p.line("}");
    p.line("");
    p.line("disconnect(): void {");
    p.indent();
    p.line("this.ws?.close();");
    p.line("this.ws = null;");
    p.dedent();
    p.line("}");
    p.line("");
    p.line("get isConnected(): boolean {");
    p.indent();
    p.line("return this.ws?.readyState === WebSocket.OPEN;");
    p.dedent();
    p.line("}");
    p.line("");
    p.linef("on<K extends keyof {}>(event: K, callback: (data: {}[K]) => void): () => void {{", server_events,
            server_events);
    p.indent();
    p.line("const eventName = event as string;");
    p.line("if (!this.listeners.has(eventName)) this.listeners.set(eventName, new Set());");
    p.line("const cb = callback as (data: unknown) => void;");
    p.line("this.listeners.get(eventName)!.add(cb);");
    p.line("return () => this.listeners.get(eventName)?.delete(cb);");
    p.dedent();
    p.line("}");
    p.line("");
    p.line("private sendRaw(event: string, data: unknown): void {");
    p.indent();
    p.line("if (!this.ws || this.ws.readyState !== WebSocket.OPEN) {");
    p.indent();
    p.line("throw new Error('[Tolv] WebSocket is not connected');");
    p.dedent();
    p.line("}");
    p.line("this.ws.send(JSON.stringify({ event, data }));");
    p.dedent();
    p.line("}");
    p.line("");
    p.linef("send<K extends keyof {}>(event: K, data: {}[K]): void {{", client_events, client_events);
    p.indent();
    p.line("this.sendRaw(event as string, data);");
    p.dedent();
    p.line("}");
    p.line("");
    p.line("onConnect(callback: () => void): () => void {");
    p.indent();
    p.line("this.connectionListeners.add(callback);");
    p.line("return () => this.connectionListeners.delete(callback);");
    p.dedent();
    p.line("}");
    p.line("");
    p.line("onDisconnect(callback: (event: CloseEvent) => void): () => void {");
    p.indent();
    p.line("this.disconnectionListeners.add(callback);");
    p.line("return () => this.disconnectionListeners.delete(callback);");
    p.dedent();
    p.line("}");
    p.line("");
    p.line("onError(callback: (error: Event) => void): () => void {");
    p.indent();
    p.line("this.errorListeners.add(callback);");
    p.line("return () => this.errorListeners.delete(callback);");
    p.dedent();
    p.line("}");
}

void print_event_methods(TsPrinter& p, const Endpoint& endpoint, const std::vector<std::string>& server_payloads,
                         const std::vector<std::string>& client_payloads, const KeyMapper& keys) {
    for (std::size_t i = 0; i < endpoint.serverEvents.size(); ++i) {
        const Param& event = endpoint.serverEvents[i];
        p.line("");
        p.linef("on{}(callback: (data: {}) => void): () => void {{", schema::to_pascal_case(event.sourceName),
                server_payloads[i]);
        p.indent();
        p.linef("return this.on(\"{}\", callback);", event.sourceName);
        p.dedent();
        p.line("}");
    }
    for (std::size_t i = 0; i < endpoint.clientEvents.size(); ++i) {
        const Param& event = endpoint.clientEvents[i];
        p.line("");
        p.linef("send{}(data: {}): void {{", schema::to_pascal_case(event.sourceName), client_payloads[i]);
        p.indent();
        p.linef("this.sendRaw(\"{}\", {});", event.sourceName, keys.request(event.ty, "data", 0));
        p.dedent();
        p.line("}");
    }
}

}  // namespace

void print_websocket(TsPrinter& printer, const Endpoint& endpoint, std::string_view server_events,
                     std::string_view client_events, const KeyMapper& keys) {
    print_fixed_members(printer, endpoint, server_events, client_events);
    print_event_methods(printer, endpoint, payload_types(endpoint.serverEvents, keys.graph()),
                        payload_types(endpoint.clientEvents, keys.graph()), keys);
}

void print_websocket_block(TsPrinter& printer, const Endpoint& endpoint, const KeyMapper& keys) {
    const schema::ApiGraph& graph = keys.graph();
    const std::string pascal = schema::to_pascal_case(endpoint.name);
    const std::string server_events = pascal + "ServerEvents";
    const std::string client_events = pascal + "ClientEvents";
    const std::string socket_class = pascal + "Socket";

    print_events_interface(printer, server_events, endpoint.serverEvents, payload_types(endpoint.serverEvents, graph));
    print_events_interface(printer, client_events, endpoint.clientEvents, payload_types(endpoint.clientEvents, graph));
    if (endpoint.doc) printer.doc(*endpoint.doc);
    printer.linef("export class {} {{", socket_class);
    printer.indent();
    print_websocket(printer, endpoint, server_events, client_events, keys);
    printer.dedent();
    printer.line("}");
    printer.line("");
    printer.linef("export function create{}Socket(): {} {{", pascal, socket_class);
    printer.indent();
    printer.linef("return new {}();", socket_class);
    printer.dedent();
    printer.line("}");
}

}  // namespace tolv::gen_ts
