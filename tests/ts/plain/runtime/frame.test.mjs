// The runtime module's text as shipped: first line, export order, layout.
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { test } from "node:test";

const text = readFileSync(new URL("../../../../src/gen_ts/_internal.ts", import.meta.url), "utf8");
const lines = text.split("\n");

test("first line, final newline and four-space indentation", () => {
    assert.equal(lines[0], "// Internal bridge utilities - do not modify");
    assert.ok(text.endsWith("}\n") && !text.endsWith("\n\n"));
    assert.ok(!text.includes("\r"));
    lines.forEach((line, i) => {
        assert.ok(!line.includes("\t"), `tab on line ${i + 1}`);
        assert.equal(/^ */.exec(line)[0].length % 4, 0, `indentation of line ${i + 1}`);
    });
});

test("exports in file order, with the one piece of module state unexported", () => {
    const exported = lines
        .map((line) => /^export (?:async )?(?:function|class|interface) (\w+)/.exec(line)?.[1])
        .filter(Boolean);
    assert.deepEqual(exported, [
        "BridgeError", "BridgeRequestError", "BridgeChannel", "initBridge", "getBaseUrl",
        "request", "createChannel", "UploadProgressEvent", "UploadHandle", "createUpload",
    ]);
    assert.deepEqual(lines.filter((line) => /^(let|const|var) /.test(line)),
        ["let _baseUrl: string | null = null;"]);
});
