// initBridge and request against a local HTTP server.
import assert from "node:assert/strict";
import { after, before, test } from "node:test";
import { captureLog, loadRuntime, sendJson, startServer } from "./helpers.mjs";

const runtime = await loadRuntime();
const replies = new Map();
let server;

before(async () => {
    server = await startServer((req, res) => {
        const [status, body] = replies.get(req.url) ?? [404, {}];
        sendJson(res, status, body);
    });
});
after(() => server.close());

test("initBridge stores the URL without one trailing slash and logs it", () => {
    const cases = [
        ["http://host:1", "http://host:1"],
        ["http://host:1/", "http://host:1"],
        ["http://host:1//", "http://host:1/"],
        ["http://host:1/api/", "http://host:1/api"],
    ];
    for (const [given, stored] of cases) {
        const lines = captureLog(() => runtime.initBridge(given));
        assert.equal(runtime.getBaseUrl(), stored);
        assert.deepEqual(lines, [`[Tolv] Initialized with base URL: ${stored}`]);
    }
});

test("request posts JSON to /command/<name> and resolves with result", async () => {
    captureLog(() => runtime.initBridge(server.url + "/"));
    replies.set("/command/get_user", [200, { result: { user_id: 7 } }]);
    const result = await runtime.request("get_user", { user_id: 7, tags: ["a"] });
    assert.deepEqual(result, { user_id: 7 });
    const sent = server.requests.at(-1);
    assert.equal(sent.method, "POST");
    assert.equal(sent.url, "/command/get_user");
    assert.equal(sent.headers["content-type"], "application/json");
    assert.deepEqual(JSON.parse(sent.body), { user_id: 7, tags: ["a"] });
});

test("request resolves with the result member only, undefined when missing", async () => {
    const cases = [
        [200, { result: null }, null],
        [201, { result: [1, 2] }, [1, 2]],
        [299, { result: "x", other: 1 }, "x"],
        [200, {}, undefined],
    ];
    for (const [status, body, expected] of cases) {
        replies.set("/command/ok", [status, body]);
        assert.deepEqual(await runtime.request("ok", {}), expected);
    }
});

test("request rejects with a BridgeRequestError built from the error body", async () => {
    const cases = [
        [500, { code: "NOT_FOUND", message: "No such user", details: { id: 7 } },
            { code: "NOT_FOUND", message: "No such user", details: { id: 7 } }],
        [500, {}, { code: "UNKNOWN_ERROR", message: "An unknown error occurred", details: undefined }],
        [400, { code: "", message: null, details: [1] },
            { code: "UNKNOWN_ERROR", message: "An unknown error occurred", details: [1] }],
        [404, { message: "Moved" }, { code: "UNKNOWN_ERROR", message: "Moved", details: undefined }],
    ];
    for (const [status, body, expected] of cases) {
        replies.set("/command/fail", [status, body]);
        const error = await runtime.request("fail", {}).then(
            () => assert.fail("request should reject"),
            (e) => e,
        );
        assert.ok(error instanceof runtime.BridgeRequestError);
        assert.ok(error instanceof Error);
        assert.equal(error.name, "BridgeRequestError");
        assert.deepEqual(
            { code: error.code, message: error.message, details: error.details },
            expected,
        );
    }
});

test("request keeps the status when an error body is not a JSON object", async () => {
    const failed = (status) => ({ name: "BridgeRequestError", code: "UNKNOWN_ERROR",
        message: `Request failed with status ${status}`, details: { status } });
    const unparsed = { name: "Error", message: "Failed to parse response" };
    const cases = [
        [502, "<html>Bad gateway</html>", failed(502)],
        [502, "", failed(502)],
        [500, "null", failed(500)],
        [503, "[1]", failed(503)],
        [504, "7", failed(504)],
        [500, '{"code":"DB_DOWN"}',
            { name: "BridgeRequestError", code: "DB_DOWN", message: "An unknown error occurred", details: undefined }],
        [200, "null", unparsed],
        [200, "<html>ok</html>", unparsed],
        [204, "", unparsed],
    ];
    for (const [status, body, expected] of cases) {
        replies.set("/command/raw", [status, body]);
        await assert.rejects(runtime.request("raw", {}), expected, `${status} ${JSON.stringify(body)}`);
    }
});

test("BridgeRequestError copies code, message and details", () => {
    const error = new runtime.BridgeRequestError({ code: "C", message: "M", details: 1 });
    assert.equal(error.message, "M");
    assert.equal(error.code, "C");
    assert.equal(error.details, 1);
    assert.equal(error.name, "BridgeRequestError");
});
