// Checks of the test backend itself, without a browser: its multipart parser
// and the wire forms it answers with, so that a failing browser scenario
// points at the client and not at the backend.
import { after, before, describe, test } from "node:test";
import assert from "node:assert/strict";
import { mkdtempSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import WebSocket from "ws";

import { multipartBoundary, parseMultipart } from "./multipart.mjs";
import { startServer } from "./server.mjs";

describe("multipart parser", () => {
  const body = (text) => Buffer.from(text.replaceAll("\n", "\r\n"));

  test("boundary from the content type", () => {
    const cases = [
      ["multipart/form-data; boundary=abc", "abc"],
      ['multipart/form-data; charset=utf-8; boundary="q r"', "q r"],
      ["Multipart/Form-Data;BOUNDARY=x", "x"],
      ["application/json", null],
      ["multipart/form-data", null],
      [undefined, null],
    ];
    for (const [type, want] of cases) assert.equal(multipartBoundary(type), want, String(type));
  });

  test("file parts and a text part, in order, with binary content kept", () => {
    const raw = Buffer.concat([
      body('--b\nContent-Disposition: form-data; name="files"; filename="a.bin"\nContent-Type: application/octet-stream\n\n'),
      Buffer.from([0, 13, 10, 45, 45, 99, 255]),
      body('\n--b\nContent-Disposition: form-data; name="_args"\n\n{"k":1}\n--b--\n'),
    ]);
    const parts = parseMultipart(raw, "b");
    assert.deepEqual(parts.map((p) => [p.name, p.filename, p.contentType]), [
      ["files", "a.bin", "application/octet-stream"],
      ["_args", undefined, undefined],
    ]);
    assert.deepEqual([...parts[0].data], [0, 13, 10, 45, 45, 99, 255]);
    assert.equal(parts[1].data.toString(), '{"k":1}');
  });

  test("an empty form has no parts", () => {
    assert.deepEqual(parseMultipart(body("--b--\n"), "b"), []);
  });

  test("malformed bodies are refused", () => {
    const cases = [
      ["junk--b--", /start with the boundary/],
      ['--b\nContent-Disposition: form-data; name="x"\n\nno end', /closing boundary/],
      ['--b\nContent-Disposition: form-data; name="x"', /header end/],
      ["--b\nbad header\n\nx\n--b--", /malformed part header/],
    ];
    for (const [text, error] of cases) assert.throws(() => parseMultipart(body(text), "b"), error, text);
  });
});

describe("test backend", () => {
  let server;
  before(async () => {
    const bundleDir = mkdtempSync(join(tmpdir(), "tolv-bundle-"));
    writeFileSync(join(bundleDir, "x.js"), "window.x = 1");
    server = await startServer({ bundleDir });
  });
  after(() => server.close());

  const post = (path, body, type = "application/json") =>
    fetch(`${server.baseUrl}${path}`, { method: "POST", headers: { "Content-Type": type }, body });

  test("commands answer result or an error body", async () => {
    const cases = [
      ["get_user", { user_id: 2 }, 200, (b) => b.result.display_name === "Alvar"],
      ["get_user", { user_id: 5 }, 404, { code: "NOT_FOUND", message: "No user with id 5", details: { user_id: 5 } }],
      ["ping", {}, 200, {}],
      ["echo_any", { value: [1, { a: null }] }, 200, { result: [1, { a: null }] }],
      ["put_grid", { grid_cells: [[[{ row: 0, col: 0, value: 1 }]]] }, 400, (b) => b.code === "BAD_ARGS"],
      ["list_users", { query_filter: { max_items: 2, sort: "asc", range: { from_index: 0, to_index: 9 } }, page_size: null },
        200, (b) => b.result.items.length === 2 && b.result.next_cursor === "2" && b.result.total_count === 4],
    ];
    for (const [name, args, status, want] of cases) {
      const res = await post(`/command/${name}`, JSON.stringify(args));
      assert.equal(res.status, status, name);
      const body = await res.json();
      if (typeof want === "function") assert.ok(want(body), `${name}: ${JSON.stringify(body)}`);
      else assert.deepEqual(body, want, name);
    }
  });

  test("requests with X-Fail-Times are refused with 503 and counted", async () => {
    const headers = { "Content-Type": "application/json", "X-Fail-Times": "1", "X-Attempt-Key": "k" };
    const statuses = [];
    for (let i = 0; i < 2; i++) {
      statuses.push((await fetch(`${server.baseUrl}/command/ping`, { method: "POST", headers, body: "{}" })).status);
    }
    assert.deepEqual(statuses, [503, 200]);
    assert.deepEqual(await (await fetch(`${server.baseUrl}/test/attempts-k`)).json(), { count: 2 });
  });

  test("wrong argument keys and content types are refused and recorded", async () => {
    const before = server.problems.length;
    const wire = await post("/command/get_user", JSON.stringify({ userId: 1 }));
    assert.equal(wire.status, 400);
    assert.equal((await wire.json()).code, "BAD_ARGS");
    const text = await post("/command/ping", "{}", "text/plain");
    assert.equal(text.status, 415);
    assert.equal(server.problems.length, before + 2);
  });

  test("a channel streams its events, then its close event", async () => {
    const res = await post("/channel/watch_messages", JSON.stringify({ room_id: "r" }));
    assert.equal(res.headers.get("content-type"), "text/event-stream");
    const reader = res.body.getReader();
    const decoder = new TextDecoder();
    let text = "";
    while (!text.includes("event: close")) {
      const { value, done } = await reader.read();
      assert.ok(!done, "stream ended before its close event");
      text += decoder.decode(value, { stream: true });
    }
    await reader.cancel();
    const items = text.split("\n\n").filter((e) => e.includes("sender_name"))
      .map((e) => JSON.parse(e.split("\n").find((l) => l.startsWith("data: ")).slice(6)));
    assert.deepEqual(items.map((i) => i.sender_name), ["user1", "user2", "user3", "user4", "user5"]);
    assert.equal(items[0].text, "hello 1 in r → ok");
  });

  test("uploads need the files parts before one _args part", async () => {
    const good = new FormData();
    good.append("files", new Blob(["abc"]), "a.txt");
    good.append("files", new Blob(["de"]), "b.txt");
    good.append("_args", JSON.stringify({}));
    const ok = await fetch(`${server.baseUrl}/upload/upload_raw`, { method: "POST", body: good });
    assert.deepEqual(await ok.json(), { result: ["a.txt:3", "b.txt:2"] });
    const seen = await (await fetch(`${server.baseUrl}/test/uploads`)).json();
    assert.deepEqual(seen.at(-1).files.map((f) => [f.name, f.size]), [["a.txt", 3], ["b.txt", 2]]);

    const reversed = new FormData();
    reversed.append("_args", "{}");
    reversed.append("files", new Blob(["x"]), "x.txt");
    const bad = await fetch(`${server.baseUrl}/upload/upload_raw`, { method: "POST", body: reversed });
    assert.equal(bad.status, 400);
    assert.equal((await bad.json()).code, "BAD_MULTIPART");
  });

  test("static routes echo their query; pages and bundles are served", async () => {
    const res = await fetch(`${server.baseUrl}/static/report?year_num=1&fmt=a%20b`);
    assert.deepEqual(await res.json(), { handler: "report", query: { year_num: "1", fmt: "a b" } });
    assert.match(await (await fetch(`${server.baseUrl}/page/x`)).text(), /<script src="\/bundle\/x.js">/);
    assert.equal(await (await fetch(`${server.baseUrl}/bundle/x.js`)).text(), "window.x = 1");
    assert.equal((await fetch(`${server.baseUrl}/bundle/..%2Fx.js`)).status, 404);
  });

  test("the chat socket echoes a message and announces its sender", async () => {
    const ws = new WebSocket(`${server.baseUrl.replace(/^http/, "ws")}/ws/chat`);
    await new Promise((resolve, reject) => {
      ws.once("open", resolve);
      ws.once("error", reject);
    });
    const frames = [];
    const done = new Promise((resolve) => ws.on("message", (data) => {
      frames.push(JSON.parse(data.toString()));
      if (frames.length === 3) resolve();
    }));
    ws.send(JSON.stringify({ event: "send_message", data: { sender_name: "z", text: "m" } }));
    await done;
    ws.close();
    assert.deepEqual(frames, [
      { event: "presence", data: { online: 2 } },
      { event: "message", data: { sender_name: "z", text: "m" } },
      { event: "user_joined", data: "z" },
    ]);
  });
});
