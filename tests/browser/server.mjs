// Test backend for the browser tests: speaks the HTTP, server-sent-event,
// multipart and WebSocket contract of the generated clients, and serves the
// test pages and their bundled scripts. Listens on 127.0.0.1 only.
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { join } from "node:path";
import { setTimeout as sleep } from "node:timers/promises";
import { WebSocketServer } from "ws";

import { HttpFailure, createBackend } from "./handlers.mjs";
import { multipartBoundary, parseMultipart } from "./multipart.mjs";

const MAX_BODY = 64 * 1024 * 1024;
const HELD_UPLOAD_LIMIT_MS = 20_000;
const OPEN_CHANNEL_LIMIT_MS = 20_000;

function readBody(req) {
  return new Promise((resolve, reject) => {
    const chunks = [];
    let size = 0;
    req.on("data", (chunk) => {
      size += chunk.length;
      if (size > MAX_BODY) {
        reject(new HttpFailure(413, "TOO_LARGE", "request body too large"));
        req.destroy();
        return;
      }
      chunks.push(chunk);
    });
    req.on("end", () => resolve(Buffer.concat(chunks)));
    req.on("error", reject);
  });
}

function sendJson(res, status, body) {
  const text = JSON.stringify(body);
  res.writeHead(status, { "Content-Type": "application/json", "Content-Length": Buffer.byteLength(text) });
  res.end(text);
}

async function readJsonArgs(req) {
  const type = req.headers["content-type"] ?? "";
  if (!type.startsWith("application/json")) {
    throw new HttpFailure(415, "BAD_CONTENT_TYPE", `expected application/json, got ${JSON.stringify(type)}`);
  }
  const text = (await readBody(req)).toString("utf8");
  try {
    return JSON.parse(text);
  } catch {
    throw new HttpFailure(400, "BAD_JSON", "request body is not JSON", { body: text });
  }
}

/** Writes the event texts as one byte stream cut at odd places, with pauses. */
async function streamEvents(res, events) {
  const bytes = Buffer.from(events.join(""), "utf8");
  // Cut inside the first multi-byte character too, so that decoding must
  // carry partial characters over from one chunk to the next.
  const arrow = bytes.indexOf(Buffer.from("→"));
  const cuts = new Set([7, 23, 61]);
  if (arrow > 0) cuts.add(arrow + 1);
  for (let at = 97; at < bytes.length; at += 97) cuts.add(at);
  let from = 0;
  for (const cut of [...cuts].sort((a, b) => a - b)) {
    if (cut <= from || cut >= bytes.length) continue;
    if (res.destroyed) return;
    res.write(bytes.subarray(from, cut));
    from = cut;
    await sleep(5);
  }
  if (!res.destroyed) res.write(bytes.subarray(from));
}

/**
 * Starts the server on 127.0.0.1 and an ephemeral port. `bundleDir` holds the
 * page scripts, served as /bundle/<name>.js; /page/<name> loads one of them.
 * Returns { baseUrl, problems, close }, where `problems` lists the malformed
 * requests that the server refused, for the test's failure output.
 *
 * Test controls outside the client contract: command requests may carry
 * "X-Delay-Ms" (answer late) and "X-Fail-Times" with "X-Attempt-Key" (refuse
 * with 503 at first); GET /test/attempts-<key>, /test/uploads and
 * /test/open-channels report what the server saw.
 */
export async function startServer({ bundleDir }) {
  const backend = createBackend();
  const problems = [];
  const openResponses = new Set();

  // Channel responses still streaming or held open.
  const openChannels = new Set();
  // Attempts per key of the requests that carry the retry-test headers.
  const attempts = new Map();

  /** A command request with "X-Fail-Times: n" is refused with 503 for the first n attempts of its "X-Attempt-Key". */
  function refuseWhileFlaky(req) {
    const failTimes = req.headers["x-fail-times"];
    if (failTimes === undefined) return;
    const key = req.headers["x-attempt-key"] ?? "";
    const count = (attempts.get(key) ?? 0) + 1;
    attempts.set(key, count);
    if (count <= Number(failTimes)) {
      throw new HttpFailure(503, "UNAVAILABLE", `attempt ${count} refused`, { attempt: count });
    }
  }

  async function handleCommand(name, req, res) {
    const handler = backend.commands[name];
    if (!handler) throw new HttpFailure(404, "NO_SUCH_COMMAND", `unknown command ${name}`);
    const args = await readJsonArgs(req);
    const delay = Number(req.headers["x-delay-ms"] ?? 0);
    if (delay > 0) await sleep(delay);
    refuseWhileFlaky(req);
    const result = handler(args);
    sendJson(res, 200, result === undefined ? {} : { result });
  }

  async function handleChannel(name, req, res) {
    const handler = backend.channels[name];
    if (!handler) throw new HttpFailure(404, "NO_SUCH_CHANNEL", `unknown channel ${name}`);
    const { events, keepOpen } = handler(await readJsonArgs(req));
    openChannels.add(res);
    res.on("close", () => openChannels.delete(res));
    res.writeHead(200, { "Content-Type": "text/event-stream", "Cache-Control": "no-cache" });
    res.flushHeaders();
    await streamEvents(res, events);
    if (res.destroyed) return; // the client hung up early
    if (!keepOpen) {
      res.end();
      return;
    }
    // Stays open after its close event; the client is expected to hang up.
    const timer = setTimeout(() => {
      problems.push(`channel ${name} was not closed by the client`);
      res.end();
    }, OPEN_CHANNEL_LIMIT_MS).unref();
    res.on("close", () => clearTimeout(timer));
  }

  async function handleUpload(name, req, res) {
    const boundary = multipartBoundary(req.headers["content-type"]);
    if (!boundary) {
      throw new HttpFailure(415, "BAD_CONTENT_TYPE", `expected multipart/form-data, got ${req.headers["content-type"]}`);
    }
    let parts;
    try {
      parts = parseMultipart(await readBody(req), boundary);
    } catch (err) {
      if (err instanceof HttpFailure) throw err;
      throw new HttpFailure(400, "BAD_MULTIPART", err.message);
    }
    const names = parts.map((p) => p.name);
    const last = parts.at(-1);
    if (!last || last.name !== "_args" || last.filename !== undefined) {
      throw new HttpFailure(400, "BAD_MULTIPART", "the last part must be the _args field", { names });
    }
    const files = parts.slice(0, -1);
    if (files.some((p) => p.name !== "files" || p.filename === undefined)) {
      throw new HttpFailure(400, "BAD_MULTIPART", "every part before _args must be a file named files", { names });
    }
    let args;
    try {
      args = JSON.parse(last.data.toString("utf8"));
    } catch {
      throw new HttpFailure(400, "BAD_JSON", "_args is not JSON", { text: last.data.toString("utf8") });
    }
    if (backend.held(files)) {
      const timer = setTimeout(() => {
        problems.push(`upload ${name} was not aborted by the client`);
        sendJson(res, 504, { code: "HELD", message: "held upload timed out" });
      }, HELD_UPLOAD_LIMIT_MS).unref();
      res.on("close", () => clearTimeout(timer));
      return;
    }
    const result = backend.upload(name, files, args);
    sendJson(res, 200, result === undefined ? {} : { result });
  }

  // Routes for the tests themselves, outside the client contract.
  function handleTestRoute(name, res) {
    if (name === "uploads") return sendJson(res, 200, backend.uploads);
    if (name === "open-channels") return sendJson(res, 200, { count: openChannels.size });
    if (name.startsWith("attempts-")) return sendJson(res, 200, { count: attempts.get(name.slice(9)) ?? 0 });
    throw new HttpFailure(404, "NOT_ROUTED", `no test route ${name}`);
  }

  function handleStatic(name, url, res) {
    sendJson(res, 200, { handler: name, query: Object.fromEntries(url.searchParams) });
  }

  async function handlePage(name, res) {
    const html = `<!doctype html>
<html><head><meta charset="utf-8"><title>${name}</title></head>
<body><script src="/bundle/${name}.js"></script></body></html>`;
    res.writeHead(200, { "Content-Type": "text/html; charset=utf-8" });
    res.end(html);
  }

  async function handleBundle(file, res) {
    const text = await readFile(join(bundleDir, file));
    res.writeHead(200, { "Content-Type": "text/javascript; charset=utf-8" });
    res.end(text);
  }

  async function route(req, res) {
    const url = new URL(req.url, "http://127.0.0.1");
    const match = /^\/(command|channel|upload|static|page|bundle|test)\/([^/]+)$/.exec(url.pathname);
    if (match) {
      const [, kind, name] = match;
      if (kind === "page" && req.method === "GET") return handlePage(name, res);
      if (kind === "bundle" && req.method === "GET" && /^[\w-]+\.js$/.test(name)) return handleBundle(name, res);
      if (kind === "static" && req.method === "GET") return handleStatic(name, url, res);
      if (kind === "test" && req.method === "GET") return handleTestRoute(decodeURIComponent(name), res);
      if (req.method === "POST") {
        if (kind === "command") return handleCommand(name, req, res);
        if (kind === "channel") return handleChannel(name, req, res);
        if (kind === "upload") return handleUpload(name, req, res);
      }
    }
    if (url.pathname === "/favicon.ico") {
      res.writeHead(204);
      res.end();
      return;
    }
    throw new HttpFailure(404, "NOT_ROUTED", `no route for ${req.method} ${url.pathname}`);
  }

  const server = createServer((req, res) => {
    openResponses.add(res);
    res.on("close", () => openResponses.delete(res));
    route(req, res).catch((err) => {
      const failure = err instanceof HttpFailure ? err : new HttpFailure(500, "SERVER_BUG", String(err?.stack ?? err));
      // Expected failures are part of the scenarios; only refusals of
      // malformed requests and server bugs are worth showing on failure.
      if (["BAD_ARGS", "BAD_JSON", "BAD_MULTIPART", "BAD_CONTENT_TYPE", "NOT_ROUTED", "SERVER_BUG"].includes(failure.body.code)) {
        problems.push(`${req.method} ${req.url}: ${failure.status} ${failure.body.code} ${failure.body.message}`);
      }
      if (res.headersSent) res.destroy();
      else sendJson(res, failure.status, failure.body);
    });
  });

  const sockets = new WebSocketServer({ noServer: true });
  server.on("upgrade", (req, socket, head) => {
    const match = /^\/ws\/([^/?]+)/.exec(req.url);
    if (!match) {
      problems.push(`websocket upgrade refused for ${req.url}`);
      socket.destroy();
      return;
    }
    sockets.handleUpgrade(req, socket, head, (ws) => {
      const send = (message) => ws.send(JSON.stringify(message));
      ws.on("message", (data) => {
        let message;
        try {
          message = JSON.parse(data.toString("utf8"));
        } catch {
          problems.push(`websocket ${match[1]}: frame is not JSON: ${data}`);
          return;
        }
        // Test control outside the contract: drop the connection without a close frame.
        if (message?.event === "test_drop") return ws.terminate();
        if (!backend.socketMessage(match[1], message, send)) {
          problems.push(`websocket ${match[1]}: no such socket endpoint`);
          ws.close(1008, "unknown endpoint");
        }
      });
    });
  });

  await new Promise((resolve, reject) => {
    server.once("error", reject);
    server.listen(0, "127.0.0.1", resolve);
  });
  const { port } = server.address();

  return {
    baseUrl: `http://127.0.0.1:${port}`,
    problems,
    async close() {
      for (const client of sockets.clients) client.terminate();
      sockets.close();
      for (const res of openResponses) res.destroy();
      server.closeAllConnections();
      await new Promise((resolve) => server.close(resolve));
    },
  };
}
