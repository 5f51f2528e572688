// createUpload with a stand-in XMLHttpRequest (Node has none).
import assert from "node:assert/strict";
import { test } from "node:test";
import { FakeXhr, captureLog, loadRuntime } from "./helpers.mjs";

const runtime = await loadRuntime();
globalThis.XMLHttpRequest = FakeXhr;
captureLog(() => runtime.initBridge("http://127.0.0.1:9/"));

const outcome = (promise) =>
    promise.then((value) => ({ value }), (error) => ({ error }));

test("sends a multipart form: files in order, then _args", async () => {
    const a = new File(["aaa"], "a.txt");
    const b = new File(["bb"], "b.txt");
    runtime.createUpload("upload_documents", [a, b], { folder_name: "docs" });
    const xhr = FakeXhr.last;
    assert.deepEqual(xhr.opened, { method: "POST", url: "http://127.0.0.1:9/upload/upload_documents" });
    const parts = [...xhr.sent.entries()];
    assert.deepEqual(parts.map(([name]) => name), ["files", "files", "_args"]);
    assert.equal(parts[0][1].name, "a.txt");
    assert.equal(parts[1][1].name, "b.txt");
    assert.equal(parts[2][1], '{"folder_name":"docs"}');
});

test("an upload of zero files sends the _args part only", () => {
    runtime.createUpload("upload_raw", [], {});
    assert.deepEqual([...FakeXhr.last.sent.entries()], [["_args", "{}"]]);
});

test("progress is reported in rounded percent when computable", () => {
    const handle = runtime.createUpload("upload_raw", [], {});
    const xhr = FakeXhr.last;
    const events = [];
    xhr.progress(1, 2);
    assert.equal(handle.onProgress((event) => events.push(event)), handle);
    for (const [loaded, total] of [[1, 8], [1, 3], [2, 3], [1, 200], [0, 10], [10, 10]]) xhr.progress(loaded, total);
    xhr.progress(5, 0, false);
    assert.deepEqual(events.map((e) => e.percentage), [13, 33, 67, 1, 0, 100]);
    assert.deepEqual(events[0], { loaded: 1, total: 8, percentage: 13 });
});

test("onProgress replaces the earlier callback", () => {
    const handle = runtime.createUpload("upload_raw", [], {});
    const calls = [];
    handle.onProgress(() => calls.push("first")).onProgress(() => calls.push("second"));
    FakeXhr.last.progress(1, 1);
    assert.deepEqual(calls, ["second"]);
});

test("settles by status and body", async () => {
    const cases = [
        [200, '{"result":{"file_ids":["f1"]}}', { value: { file_ids: ["f1"] } }],
        [204, "{}", { value: undefined }],
        [200, "not json", { error: new Error("Failed to parse response") }],
        [413, '{"code":"TOO_LARGE","message":"Too big","details":{"max":5}}',
            { error: { code: "TOO_LARGE", message: "Too big", details: { max: 5 } } }],
        [500, "{}", { error: { code: "UPLOAD_ERROR", message: "Upload failed", details: undefined } }],
        [502, "<html>", { error: new Error("Upload failed with status 502") }],
    ];
    for (const [status, text, expected] of cases) {
        const handle = runtime.createUpload("upload_raw", [], {});
        FakeXhr.last.respond(status, text);
        const result = await outcome(handle.promise);
        if ("value" in expected) {
            assert.deepEqual(result, expected, `status ${status}`);
        } else if (expected.error instanceof Error) {
            assert.equal(result.error?.constructor, Error, `status ${status}`);
            assert.equal(result.error.message, expected.error.message);
        } else {
            assert.ok(result.error instanceof runtime.BridgeRequestError, `status ${status}`);
            const { code, message, details } = result.error;
            assert.deepEqual({ code, message, details }, expected.error);
        }
    }
});

test("network errors and aborts reject with plain errors", async () => {
    const failed = runtime.createUpload("upload_raw", [], {});
    FakeXhr.last.fail();
    await assert.rejects(failed.promise, { message: "Upload failed" });

    const aborted = runtime.createUpload("upload_raw", [], {});
    aborted.abort();
    await assert.rejects(aborted.promise, { message: "Upload aborted" });
});
