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
      ["get_user", { user_id: 1 }, 200, { result: { user_id: 1, display_name: "Ada", is_active: true, tags: ["admin"] } }],
      ["get_user", { user_id: 5 }, 404, { code: "NOT_FOUND", message: "No user with id 5", details: { user_id: 5 } }],
      ["ping", {}, 200, {}],
      ["flaky_count", { attempt_key: "t", fail_times: 1 }, 503, { code: "UNAVAILABLE", message: "attempt 1 refused", details: { attempt: 1 } }],
      ["flaky_count", { attempt_key: "t", fail_times: 1 }, 200, { result: 2 }],
      ["attempt_count", { attempt_key: "t" }, 200, { result: 2 }],
    ];
    for (const [name, args, status, body] of cases) {
      const res = await post(`/command/${name}`, JSON.stringify(args));
      assert.equal(res.status, status, name);
      assert.deepEqual(await res.json(), body, name);
    }
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
    const res = await post("/channel/watch_progress", JSON.stringify({ total_steps: 3 }));
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
    const items = text.split("\n\n").filter((e) => e.includes("event: progress"))
      .map((e) => JSON.parse(e.split("\n").find((l) => l.startsWith("data: ")).slice(6)));
    assert.deepEqual(items.map((i) => i.step_index), [1, 2, 3]);
    assert.equal(items[0].label, "step 1 → done");
  });

  test("uploads need the files parts before one _args part", async () => {
    const good = new FormData();
    good.append("files", new Blob(["abc"]), "a.txt");
    good.append("files", new Blob(["de"]), "b.txt");
    good.append("_args", JSON.stringify({ folder_name: "f" }));
    const ok = await fetch(`${server.baseUrl}/upload/upload_documents`, { method: "POST", body: good });
    assert.deepEqual(await ok.json(), {
      result: { file_count: 2, total_bytes: 5, file_names: ["a.txt", "b.txt"], received_args: { folder_name: "f" } },
    });

    const reversed = new FormData();
    reversed.append("_args", "{}");
    reversed.append("files", new Blob(["x"]), "x.txt");
    const bad = await fetch(`${server.baseUrl}/upload/upload_documents`, { method: "POST", body: reversed });
    assert.equal(bad.status, 400);
    assert.equal((await bad.json()).code, "BAD_MULTIPART");
  });

  test("static routes echo their query; pages and bundles are served", async () => {
    const res = await fetch(`${server.baseUrl}/static/download_report?year_num=1&file_format=a%20b`);
    assert.deepEqual(await res.json(), { handler: "download_report", query: { year_num: "1", file_format: "a b" } });
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
    ws.send(JSON.stringify({ event: "send_message", data: { sender_name: "z", message_text: "m" } }));
    await done;
    ws.close();
    assert.deepEqual(frames, [
      { event: "typing", data: { who: "server" } },
      { event: "message_received", data: { sender_name: "z", message_text: "m" } },
      { event: "user_joined", data: "z" },
    ]);
  });
});
