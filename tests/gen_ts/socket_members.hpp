// The fixed members of every generated socket class, shared by the tests.
#pragma once

#include <string>
#include <utility>

namespace tolv::gen_ts::test {

// The class members every socket has, at class level (one indent).
inline constexpr const char* kFixedMembers = R"(    private ws: WebSocket | null = null;
    private listeners: Map<string, Set<(data: unknown) => void>> = new Map();
    private connectionListeners: Set<() => void> = new Set();
    private disconnectionListeners: Set<(event: CloseEvent) => void> = new Set();
    private errorListeners: Set<(error: Event) => void> = new Set();

    connect(): void {
        const baseUrl = getBaseUrl().replace(/^http/, 'ws');
        this.ws = new WebSocket(`${baseUrl}/ws/@NAME@`);
        this.ws.onopen = () => this.connectionListeners.forEach((cb) => cb());
        this.ws.onclose = (event) => this.disconnectionListeners.forEach((cb) => cb(event));
        this.ws.onerror = (error) => this.errorListeners.forEach((cb) => cb(error));
        this.ws.onmessage = (event) => {
            const message = JSON.parse(event.data);
            const callbacks = this.listeners.get(message.event);
            callbacks?.forEach((cb) => cb(message.data));
        };
    }

    disconnect(): void {
        this.ws?.close();
        this.ws = null;
    }

    get isConnected(): boolean {
        return this.ws?.readyState === WebSocket.OPEN;
    }

    on<K extends keyof @P@ServerEvents>(event: K, callback: (data: @P@ServerEvents[K]) => void): () => void {
        const eventName = event as string;
        if (!this.listeners.has(eventName)) this.listeners.set(eventName, new Set());
        const cb = callback as (data: unknown) => void;
        this.listeners.get(eventName)!.add(cb);
        return () => this.listeners.get(eventName)?.delete(cb);
    }

    private sendRaw(event: string, data: unknown): void {
        if (!this.ws || this.ws.readyState !== WebSocket.OPEN) {
            throw new Error('[Tolv] WebSocket is not connected');
        }
        this.ws.send(JSON.stringify({ event, data }));
    }

    send<K extends keyof @P@ClientEvents>(event: K, data: @P@ClientEvents[K]): void {
        this.sendRaw(event as string, data);
    }

    onConnect(callback: () => void): () => void {
        this.connectionListeners.add(callback);
        return () => this.connectionListeners.delete(callback);
    }

    onDisconnect(callback: (event: CloseEvent) => void): () => void {
        this.disconnectionListeners.add(callback);
        return () => this.disconnectionListeners.delete(callback);
    }

    onError(callback: (error: Event) => void): () => void {
        this.errorListeners.add(callback);
        return () => this.errorListeners.delete(callback);
    }
)";

// `incoming`/`outgoing`: some server/client event has a payload to convert,
// so listeners get what toWire gives and the generic send sends what
// toSource gives.
inline std::string fixed_members(const std::string& name, const std::string& pascal, bool incoming = false,
                                 bool outgoing = false) {
    std::string out = kFixedMembers;
    const std::string delivered = incoming ? R"(if (!callbacks) return;
            const data = this.toWire(message.event, message.data);
            callbacks.forEach((cb) => cb(data));)"
                                           : "callbacks?.forEach((cb) => cb(message.data));";
    for (auto [from, to] : {std::pair<std::string, std::string>{"@NAME@", name},
                            {"@P@", pascal},
                            {"callbacks?.forEach((cb) => cb(message.data));", delivered},
                            {"this.sendRaw(event as string, data);",
                             outgoing ? "this.sendRaw(event as string, this.toSource(event as string, data));"
                                      : "this.sendRaw(event as string, data);"}}) {
        for (std::size_t at = out.find(from); at != std::string::npos; at = out.find(from, at + to.size()))
            out.replace(at, from.size(), to);
    }
    return out;
}

}  // namespace tolv::gen_ts::test
