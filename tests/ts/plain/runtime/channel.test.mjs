// createChannel against a local HTTP server that streams server-sent events.
import assert from "node:assert/strict";
import { after, before, test } from "node:test";
import { captureLog, delay, loadRuntime, record, sendJson, startServer, waitFor } from "./helpers.mjs";

const runtime = await loadRuntime();
const routes = new Map();
let server;

before(async () => {
    server = await startServer((req, res) => routes.get(req.url)(req, res));
    captureLog(() => runtime.initBridge(server.url));
});
after(() => server.close());

function streamHead(res) {
    res.writeHead(200, { "Content-Type": "text/event-stream" });
    res.flushHeaders();
}

test("posts JSON to /channel/<name> and delivers events written over time", async () => {
    routes.set("/channel/watch_messages", async (req, res) => {
        streamHead(res);
        res.write('data: {"n":1}\n\nevent: note\ndata: {"n":2}\n\n');
        await delay(20);
        res.write('data: {"n"');
        await delay(20);
        res.write(":3}\n\n");
        res.end();
    });
    const seen = record(runtime.createChannel("watch_messages", { room_id: "r1" }));
    await waitFor(() => seen.some(([kind]) => kind === "close"), "close");
    assert.deepEqual(seen, [
        ["message", { event: "message", n: 1 }],
        ["message", { event: "note", n: 2 }],
        ["message", { event: "message", n: 3 }],
        ["close"],
    ]);
    const sent = server.requests.at(-1);
    assert.equal(sent.method, "POST");
    assert.equal(sent.headers["content-type"], "application/json");
    assert.deepEqual(JSON.parse(sent.body), { room_id: "r1" });
});

test("a non-ok start goes to the error callback with the body or the fallbacks", async () => {
    const cases = [
        [{ code: "FORBIDDEN", message: "No access", details: { room: 1 } },
            { code: "FORBIDDEN", message: "No access", details: { room: 1 } }],
        [{}, { code: "CHANNEL_ERROR", message: "Failed to start channel", details: undefined }],
        [{ code: null, message: "" }, { code: "CHANNEL_ERROR", message: "Failed to start channel", details: undefined }],
        // A body that is not a JSON object gives the status instead.
        ...["<html>Forbidden</html>", "", "null", "[1]"].map((body) =>
            [body, { code: "CHANNEL_ERROR", message: "Failed to start channel", details: { status: 403 } }]),
    ];
    for (const [body, expected] of cases) {
        routes.set("/channel/denied", (req, res) => sendJson(res, 403, body));
        const seen = record(runtime.createChannel("denied", {}));
        await waitFor(() => seen.length > 0, "error callback");
        await delay(20);
        assert.deepEqual(seen, [["error", expected]]);
    }
});

test("close() stops every callback, the close callback included", async () => {
    let release;
    const released = new Promise((resolve) => (release = resolve));
    routes.set("/channel/long", async (req, res) => {
        streamHead(res);
        res.write('data: {"n":1}\n\n');
        await released;
        res.write('data: {"n":2}\n\nevent: close\ndata: \n\nevent: error\ndata: {"error":"late"}\n\n');
        res.end();
    });
    const channel = runtime.createChannel("long", {});
    const seen = record(channel);
    await waitFor(() => seen.length === 1, "first event");
    channel.close();
    channel.close();
    release();
    await delay(100);
    assert.deepEqual(seen, [["message", { event: "message", n: 1 }]]);
});

test("data that is not JSON, or a subscriber that throws, reports STREAM_ERROR and releases the request", async () => {
    const rows = [["not json", () => {}], ['{"n":1}', () => { throw new Error("subscriber failed"); }]];
    for (const [data, subscriber] of rows) {
        let released = false;
        routes.set("/channel/endless", (req, res) => {
            res.on("close", () => (released = true));
            streamHead(res);
            res.write(`data: ${data}\n\n`);
        });
        const channel = runtime.createChannel("endless", {});
        const errors = [];
        channel.subscribe(subscriber);
        channel.onError((error) => errors.push(error.code));
        await waitFor(() => released, "the request to be released");
        assert.deepEqual(errors, ["STREAM_ERROR"]);
    }
});

test("a network failure ends the channel with STREAM_ERROR", async () => {
    const closed = await startServer(() => {});
    await closed.close();
    captureLog(() => runtime.initBridge(closed.url));
    try {
        const seen = record(runtime.createChannel("gone", {}));
        await waitFor(() => seen.length > 0, "error callback");
        assert.equal(seen.length, 1);
        assert.equal(seen[0][0], "error");
        assert.equal(seen[0][1].code, "STREAM_ERROR");
        assert.equal(typeof seen[0][1].message, "string");
    } finally {
        captureLog(() => runtime.initBridge(server.url));
    }
});
