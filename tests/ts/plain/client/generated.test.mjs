// The generated plain client for the fixture schema, run against a local
// server: endpoint paths, key conversion both ways, static URLs, channels,
// uploads and the socket's wire format.
import assert from "node:assert/strict";
import { createRequire } from "node:module";
import { after, before, test } from "node:test";
import { FakeXhr, captureLog, record, sendJson, startServer, waitFor } from "../runtime/helpers.mjs";

const api = createRequire(import.meta.url)(process.env.TOLV_CLIENT_JS);
const replies = new Map();
let server;

before(async () => {
    server = await startServer((req, res) => {
        const reply = replies.get(req.url);
        if (typeof reply === "function") return reply(req, res);
        const [status, body] = reply ?? [404, { code: "NO_ROUTE" }];
        sendJson(res, status, body);
    });
    captureLog(() => api.initBridge(server.url + "/"));
});
after(() => server.close());

const lastBody = () => JSON.parse(server.requests.at(-1).body);

const sourceUser = {
    user_id: 7, display_name: "Ann", nickname: null, role: "admin", tags: ["a"],
    metadata: { k: 1 }, status: "active", profile: { bio_text: "hi", links: [], settings: { asc: true } },
};
const wireUser = {
    userId: 7, displayName: "Ann", email: undefined, nickname: null, avatarUrl: undefined, role: "admin",
    tags: ["a"], metadata: { k: 1 }, location: undefined, status: "active",
    profile: { bio: "hi", links: [], settings: { asc: true } },
};

test("a command sends source names and returns wire names", async () => {
    replies.set("/command/get_user", [200, { result: sourceUser }]);
    assert.deepEqual(await api.getUser({ userId: 7 }), wireUser);
    assert.equal(server.requests.at(-1).url, "/command/get_user");
    assert.deepEqual(lastBody(), { user_id: 7 });
});

test("nested models are converted inside parameters and results", async () => {
    replies.set("/command/list_users", [200, { result: { items: [sourceUser], next_cursor: null, total_count: 1 } }]);
    const page = await api.listUsers({
        filter: { maxItems: 5, sort: "asc", range: { fromIndex: 0, toIndex: 4 } },
        limit: null,
    });
    assert.deepEqual(page, { items: [wireUser], nextCursor: null, totalCount: 1 });
    assert.deepEqual(lastBody(), {
        query_filter: { max_items: 5, sort: "asc", range: { from_index: 0, to_index: 4 } },
        page_size: null,
    });
});

test("arrays of models three deep are converted both ways", async () => {
    replies.set("/command/get_grid", [200, { result: [[[{ row_index: 1, col_index: 2, cell_value: "x" }]], []] }]);
    assert.deepEqual(await api.getGrid(), [[[{ row: 1, col: 2, value: "x" }]], []]);

    replies.set("/command/put_grid", [200, {}]);
    assert.equal(await api.putGrid({ cells: [[[{ row: 3, col: 4, value: null }]]] }), undefined);
    assert.deepEqual(lastBody(), { grid_cells: [[[{ row_index: 3, col_index: 4, cell_value: null }]]] });
});

test("command errors surface as the exported BridgeRequestError", async () => {
    replies.set("/command/ping", [503, { code: "DOWN", message: "Maintenance" }]);
    await assert.rejects(api.ping(), (error) =>
        error instanceof api.BridgeRequestError && error.code === "DOWN" && error.message === "Maintenance");
});

test("static routes build URLs with source-named query keys", () => {
    assert.equal(api.logoUrl(), `${server.url}/static/logo`);
    assert.equal(api.reportUrl({ year: 2024 }), `${server.url}/static/report?year_num=2024`);
    assert.equal(api.reportUrl({ year: 2024, format: "a b" }), `${server.url}/static/report?year_num=2024&fmt=a+b`);
});

test("a channel function posts converted arguments and delivers converted items", async () => {
    replies.set("/channel/watch_messages", (req, res) => {
        res.writeHead(200, { "Content-Type": "text/event-stream" });
        res.end('event: chat\ndata: {"sender_name":"Bo","text":"hi"}\n\n');
    });
    const seen = record(api.watchMessages({ roomId: "r1", since: 2 }));
    await waitFor(() => seen.length === 2, "message and close");
    const item = { event: "chat", senderName: "Bo", text: "hi", sentAt: undefined, priority: undefined };
    assert.deepEqual(seen, [["message", item], ["close"]]);
    assert.deepEqual(lastBody(), { room_id: "r1", since: 2 });
});

test("an upload function converts its result, also through onProgress", async () => {
    globalThis.XMLHttpRequest = FakeXhr;
    const file = new File(["png"], "me.png");
    const progress = [];
    const handle = api.uploadAvatar({ file, userId: 3 }).onProgress((event) => progress.push(event.percentage));
    const xhr = FakeXhr.last;
    assert.deepEqual(xhr.opened, { method: "POST", url: `${server.url}/upload/upload_avatar` });
    assert.deepEqual([...xhr.sent.entries()].map(([name]) => name), ["files", "_args"]);
    assert.equal(xhr.sent.get("_args"), '{"user_id":3}');
    xhr.progress(1, 2);
    xhr.respond(200, '{"result":{"file_ids":["f1"],"total_bytes":3}}');
    assert.deepEqual(await handle.promise, { fileIds: ["f1"], totalBytes: 3 });
    assert.deepEqual(progress, [50]);
});

test("a socket opens on the ws URL and converts payloads both ways, per event and generic", () => {
    const sockets = [];
    globalThis.WebSocket = class {
        static OPEN = 1;
        constructor(url) {
            this.url = url;
            this.readyState = 1;
            this.sent = [];
            sockets.push(this);
        }
        send(text) {
            this.sent.push(text);
        }
        close() {}
    };
    const socket = api.createChatSocket();
    assert.throws(() => socket.sendTyping(true), { message: "[Tolv] WebSocket is not connected" });
    socket.connect();
    assert.equal(sockets[0].url, `${server.url.replace(/^http/, "ws")}/ws/chat`);
    const sent = { event: "send_message", data: { sender_name: "Bo", text: "hi", sent_at: 1 } };
    socket.sendSendMessage({ senderName: "Bo", text: "hi", sentAt: 1 });
    socket.send("send_message", { senderName: "Bo", text: "hi", sentAt: 1 });
    socket.send("typing", false);
    assert.deepEqual(sockets[0].sent.map((text) => JSON.parse(text)), [sent, sent, { event: "typing", data: false }]);
    const received = [];
    socket.onMessage((data) => received.push(data));
    socket.on("message", (data) => received.push(data));
    socket.on("typing", (data) => received.push(data));
    for (const frame of ['{"event":"message","data":{"sender_name":"Al"}}', '{"event":"typing","data":"Al"}']) {
        sockets[0].onmessage({ data: frame });
    }
    const message = { senderName: "Al", text: undefined, sentAt: undefined, priority: undefined };
    assert.deepEqual(received, [message, message, "Al"]);
});
