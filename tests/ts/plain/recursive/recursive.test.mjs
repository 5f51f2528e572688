// A model that contains itself is converted at every depth of the data, in
// both directions, and a null or missing child passes through.
import assert from "node:assert/strict";
import { createRequire } from "node:module";
import { test } from "node:test";

const api = createRequire(import.meta.url)(process.env.TOLV_CLIENT_JS);
let lastRequest;
globalThis.fetch = async (url, init) => {
    lastRequest = { url, body: JSON.parse(init.body) };
    return new Response(JSON.stringify({ result: reply }), { status: 200 });
};
let reply;
const log = console.log;
console.log = () => {};
api.initBridge("http://backend.test");
console.log = log;

const source = {
    comment_text: "root",
    child_replies: [
        { comment_text: "a", child_replies: [{ comment_text: "a1", child_replies: [], reply_to: null }] },
        { comment_text: "b", child_replies: [], reply_to: { comment_text: "root", child_replies: [] } },
    ],
};
const wire = {
    commentText: "root",
    replies: [
        { commentText: "a", replies: [{ commentText: "a1", replies: [], replyTo: null }], replyTo: undefined },
        { commentText: "b", replies: [], replyTo: { commentText: "root", replies: [], replyTo: undefined } },
    ],
    replyTo: undefined,
};

test("results are renamed at every depth", async () => {
    reply = source;
    assert.deepEqual(await api.getThread(), wire);
});

test("arguments are renamed at every depth", async () => {
    reply = null;
    await api.postThread({ thread: wire });
    assert.equal(lastRequest.url, "http://backend.test/command/post_thread");
    assert.deepEqual(lastRequest.body, { the_thread: JSON.parse(JSON.stringify(source)) });
});
