// Parsing of the server-sent event stream, with exact chunk boundaries.
import assert from "node:assert/strict";
import { test } from "node:test";
import { captureLog, delay, fakeFetch, loadRuntime, record, waitFor } from "./helpers.mjs";

const runtime = await loadRuntime();
captureLog(() => runtime.initBridge("http://127.0.0.1:9"));

async function run(chunks, expectedCount, setup = (channel) => record(channel), convert = undefined) {
    const restore = fakeFetch(chunks);
    try {
        const seen = setup(runtime.createChannel("feed", {}, convert));
        await waitFor(() => seen.length >= expectedCount, `${expectedCount} callbacks`);
        await delay(10);
        return seen;
    } finally {
        restore();
    }
}

const message = (data) => ["message", data];
const close = ["close"];
const bytes = (text) => new TextEncoder().encode(text);
const eAcute = bytes('data: {"s":"\u00e9"}\n\n');

const cases = [
    {
        name: "several events in one chunk arrive once each, in order",
        chunks: ['data: {"n":1}\n\ndata: {"n":2}\n\nevent: tick\ndata: {"n":3}\n\n'],
        expected: [message({ event: "message", n: 1 }), message({ event: "message", n: 2 }),
            message({ event: "tick", n: 3 }), close],
    },
    {
        name: "one event split over several chunks arrives once",
        chunks: ["event: ti", 'ck\ndata: {"n"', ":1}\n", "\n", 'data: {"n":2}\n\n'],
        expected: [message({ event: "tick", n: 1 }), message({ event: "message", n: 2 }), close],
    },
    {
        name: "a multi-byte character split between chunks is decoded whole",
        chunks: [eAcute.slice(0, 12), eAcute.slice(12)],
        expected: [message({ event: "message", s: "\u00e9" }), close],
    },
    {
        name: "CR LF line ends cut events like LF",
        chunks: ['event: tick\r\ndata: {"n":1}\r\n\r\ndata: {"n":2}\r\n\r\n'],
        expected: [message({ event: "tick", n: 1 }), message({ event: "message", n: 2 }), close],
    },
    {
        name: "lone CR line ends cut events like LF",
        chunks: ['event: tick\rdata: {"n":1}\r\rdata: {"n":2}\r\r'],
        expected: [message({ event: "tick", n: 1 }), message({ event: "message", n: 2 }), close],
    },
    {
        name: "a CR LF split between chunks is one line end, not two",
        chunks: ["event: tick\r", '\ndata: {"n":1}\r', "\n\r", "\n"],
        expected: [message({ event: "tick", n: 1 }), close],
    },
    {
        name: "a CR ending the last chunk still ends its line",
        chunks: ['data: {"n":1}\r\n\r'],
        expected: [message({ event: "message", n: 1 }), close],
    },
    {
        name: "an event without a trailing empty line is never delivered",
        chunks: ['data: {"n":1}\n\ndata: {"n":2}\n'],
        expected: [message({ event: "message", n: 1 }), close],
    },
    {
        name: "the data's own event member replaces the type",
        chunks: ['event: tick\ndata: {"event":"own","x":1}\n\n'],
        expected: [message({ event: "own", x: 1 }), close],
    },
    {
        name: "data that is not a JSON object arrives as the parsed value",
        chunks: ['data: 42\n\nevent: tick\ndata: "text"\n\n',
            'data: 0\n\ndata: false\n\ndata: null\n\ndata: [1,{"a":2}]\n\n'],
        expected: [message(42), message("text"), message(0), message(false), message(null),
            message([1, { a: 2 }]), close],
    },
    {
        name: "empty data, white-space events and unknown lines deliver nothing",
        chunks: [
            "event: tick\n\n   \n\n",
            ': comment\nid: 4\nretry: 10\ndata:{"no":"space"}\nevent:nospace\ndata: {"n":1}\n\n',
        ],
        expected: [message({ event: "message", n: 1 }), close],
    },
    {
        name: "a later data line replaces the earlier one",
        chunks: ['data: {"n":1}\ndata: {"n":2}\n\n'],
        expected: [message({ event: "message", n: 2 }), close],
    },
    {
        name: "error events report STREAM_ERROR and reading goes on",
        chunks: ['event: error\ndata: {"error":"boom"}\n\nevent: error\ndata: {}\n\ndata: {"n":1}\n\n'],
        expected: [["error", { code: "STREAM_ERROR", message: "boom" }],
            ["error", { code: "STREAM_ERROR", message: "Stream error" }],
            message({ event: "message", n: 1 }), close],
    },
    {
        name: "error events whose data is null, empty or not JSON report \"Stream error\" and reading goes on",
        chunks: ["event: error\ndata: null\n\nevent: error\ndata: \n\nevent: error\ndata: not json\n\n",
            'data: {"n":1}\n\n'],
        expected: [...Array(3).fill(["error", { code: "STREAM_ERROR", message: "Stream error" }]),
            message({ event: "message", n: 1 }), close],
    },
    {
        name: "close events call the close callback and the end calls it again",
        chunks: ['event: close\ndata: \n\ndata: {"n":1}\n\n'],
        expected: [close, message({ event: "message", n: 1 }), close],
    },
];

for (const { name, chunks, expected } of cases) {
    test(name, async () => {
        assert.deepEqual(await run(chunks, expected.length), expected);
    });
}

test("convert maps each item before an object gets the event type", async () => {
    const note = (r) => ({ noteId: r.note_id });
    const convert = (r) => (Array.isArray(r) ? r.map(note) : r === null ? r : note(r));
    const seen = await run(['event: tick\ndata: {"note_id":1,"event":"own"}\n\n',
        'data: [{"note_id":2}]\n\ndata: null\n\n'], 4, undefined, convert);
    assert.deepEqual(seen, [message({ event: "tick", noteId: 1 }), message([{ noteId: 2 }]), message(null), close]);
});

test("a message callback that throws ends the stream with its message", async () => {
    const seen = await run(['data: {"n":1}\n\ndata: {"n":2}\n\n'], 1, (channel) => {
        const errors = [];
        channel.subscribe(() => {
            throw new Error("handler failed");
        });
        channel.onError((error) => errors.push(error));
        channel.onClose(() => errors.push("close"));
        return errors;
    });
    assert.deepEqual(seen, [{ code: "STREAM_ERROR", message: "handler failed" }]);
});

test("close() inside a callback drops the rest of the chunk", async () => {
    const seen = await run(['data: {"n":1}\n\ndata: {"n":2}\n\nevent: close\ndata: \n\n'], 1, (channel) => {
        const log = record(channel);
        channel.subscribe((data) => {
            log.push(["message", data]);
            channel.close();
        });
        return log;
    });
    assert.deepEqual(seen, [message({ event: "message", n: 1 })]);
});

test("callbacks registered later replace earlier ones", async () => {
    const seen = await run(['data: {"n":1}\n\n'], 2, (channel) => {
        const log = [];
        channel.subscribe(() => log.push("first"));
        channel.subscribe(() => log.push("second"));
        channel.onClose(() => log.push("close"));
        return log;
    });
    assert.deepEqual(seen, ["second", "close"]);
});

test("an ok response without a body reports NO_STREAM", async () => {
    const original = globalThis.fetch;
    globalThis.fetch = async () => new Response(null, { status: 200 });
    try {
        const seen = record(runtime.createChannel("feed", {}));
        await waitFor(() => seen.length > 0, "error callback");
        await delay(10);
        assert.deepEqual(seen, [["error", { code: "NO_STREAM", message: "Response has no body" }]]);
    } finally {
        globalThis.fetch = original;
    }
});
