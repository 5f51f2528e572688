// Shared helpers for the runtime behaviour tests.
import http from "node:http";
import { pathToFileURL } from "node:url";

export async function loadRuntime() {
    const path = process.env.TOLV_RUNTIME_JS;
    if (!path) throw new Error("TOLV_RUNTIME_JS must name the compiled runtime module");
    return import(pathToFileURL(path).href);
}

// Runs fn with console.log captured; returns the logged lines.
export function captureLog(fn) {
    const lines = [];
    const original = console.log;
    console.log = (...args) => lines.push(args.join(" "));
    try {
        fn();
    } finally {
        console.log = original;
    }
    return lines;
}

// An HTTP server on 127.0.0.1 with an ephemeral port. Every request is
// recorded (method, url, headers, body) before `handler(request, res)` runs.
export async function startServer(handler) {
    const requests = [];
    const server = http.createServer(async (req, res) => {
        let body = "";
        for await (const chunk of req) body += chunk;
        const entry = { method: req.method, url: req.url, headers: req.headers, body };
        requests.push(entry);
        handler(entry, res);
    });
    await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
    const { port } = server.address();
    return {
        url: `http://127.0.0.1:${port}`,
        requests,
        close: () =>
            new Promise((resolve) => {
                server.closeAllConnections();
                server.close(resolve);
            }),
    };
}

export function sendJson(res, status, value) {
    res.writeHead(status, { "Content-Type": "application/json" });
    res.end(typeof value === "string" ? value : JSON.stringify(value));
}

export const delay = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Polls until predicate() holds; fails after a timeout instead of hanging.
export async function waitFor(predicate, what = "condition", timeoutMs = 3000) {
    const deadline = Date.now() + timeoutMs;
    while (!predicate()) {
        if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
        await delay(5);
    }
}

// Registers all three channel callbacks and records what they receive, in
// order: ["message", data], ["error", error] or ["close"].
export function record(channel) {
    const seen = [];
    channel.subscribe((data) => seen.push(["message", data]));
    channel.onError((error) => seen.push(["error", error]));
    channel.onClose(() => seen.push(["close"]));
    return seen;
}

// Replaces fetch with one that answers with the given chunks, each delivered
// by its own read, so that chunk boundaries are exact. Returns a restore().
export function fakeFetch(chunks, { status = 200 } = {}) {
    const original = globalThis.fetch;
    const encoder = new TextEncoder();
    globalThis.fetch = async () => {
        const body = new ReadableStream({
            start(controller) {
                for (const chunk of chunks) {
                    controller.enqueue(typeof chunk === "string" ? encoder.encode(chunk) : chunk);
                }
                controller.close();
            },
        });
        return new Response(body, { status });
    };
    return () => {
        globalThis.fetch = original;
    };
}

// A stand-in for the browser's XMLHttpRequest: it records what the runtime
// opens and sends, and lets a test fire the events a browser would fire.
export class FakeXhr {
    static last = null;

    constructor() {
        this.upload = { onprogress: null };
        this.onload = null;
        this.onerror = null;
        this.onabort = null;
        this.status = 0;
        this.responseText = "";
        this.opened = null;
        this.sent = null;
        FakeXhr.last = this;
    }

    open(method, url) {
        this.opened = { method, url };
    }

    send(body) {
        this.sent = body;
    }

    abort() {
        this.onabort?.();
    }

    progress(loaded, total, lengthComputable = true) {
        this.upload.onprogress?.({ loaded, total, lengthComputable });
    }

    respond(status, text) {
        this.status = status;
        this.responseText = text;
        this.onload?.();
    }

    fail() {
        this.onerror?.();
    }
}
