// Every call that talks to the backend fails the same way before initBridge.
import assert from "node:assert/strict";
import { test } from "node:test";
import { FakeXhr, captureLog, loadRuntime } from "./helpers.mjs";

const runtime = await loadRuntime();
const notInitialised = { message: "[Tolv] Bridge not initialized. Call initBridge(url) first." };

test("getBaseUrl throws before initBridge", () => {
    assert.throws(() => runtime.getBaseUrl(), notInitialised);
});

test("request returns a promise that rejects", async () => {
    const pending = runtime.request("ping", {});
    assert.ok(pending instanceof Promise);
    await assert.rejects(pending, notInitialised);
});

test("createChannel throws from the call itself", () => {
    assert.throws(() => runtime.createChannel("tick", {}), notInitialised);
});

test("createUpload returns a handle whose promise rejects", async () => {
    globalThis.XMLHttpRequest = FakeXhr;
    const handle = runtime.createUpload("upload_raw", [], {});
    assert.equal(typeof handle.abort, "function");
    await assert.rejects(handle.promise, notInitialised);
    assert.equal(FakeXhr.last.opened, null);
});

test("an empty or bare-slash base URL counts as not initialised", () => {
    for (const url of ["", "/"]) {
        captureLog(() => runtime.initBridge(url));
        assert.throws(() => runtime.getBaseUrl(), notInitialised, url);
    }
});
