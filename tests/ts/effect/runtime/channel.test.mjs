// callChannel: server-sent events read into an Effect stream.
import assert from "node:assert/strict"
import { after, before, describe, test } from "node:test"
import { Effect, Schema, Stream } from "effect"
import { eventually, rt, run, sendJson, startServer } from "./helpers.mjs"

const encoder = new TextEncoder()

// A fetch whose response body yields exactly the given chunks (strings or
// byte arrays), then ends, or fails with `failWith`.
const chunkedFetch = (chunks, failWith) => () => {
  const pending = [...chunks]
  const body = new ReadableStream({
    pull(controller) {
      const chunk = pending.shift()
      if (chunk !== undefined) {
        controller.enqueue(typeof chunk === "string" ? encoder.encode(chunk) : chunk)
      } else if (failWith) {
        controller.error(failWith)
      } else {
        controller.close()
      }
    },
  })
  return Promise.resolve(new Response(body, { status: 200 }))
}

// Collects the items of a stream; resolves to { items, error }.
const collect = async (stream, config) => {
  const items = []
  const result = await run(
    Stream.runForEach(stream, (item) => Effect.sync(() => items.push(item))),
    config,
  )
  return { items, error: result._tag === "Left" ? result.left : undefined }
}

const readChunks = (chunks, schema = Schema.Unknown) =>
  collect(rt.callChannel("feed", {}, schema), {
    baseUrl: "http://example.invalid",
    fetch: chunkedFetch(chunks),
  })

describe("callChannel event parsing", () => {
  const eAcute = encoder.encode('data: "é"\n\n')
  const cases = [
    { name: "one block per item", chunks: ["data: 1\n\ndata: 2\n\n"], items: [1, 2] },
    {
      name: "a block split across chunks waits for its end",
      chunks: ['data: {"n"', ":1}\n", "\ndata: 2\n\n"],
      items: [{ event: "message", n: 1 }, 2],
    },
    { name: "CR LF line ends", chunks: ["data: 1\r\n\r\ndata: 2\r\n\r\n"], items: [1, 2] },
    { name: "CR LF split after the CR", chunks: ["data: 1\r", "\n\r", "\ndata: 2\r\n\r\n"], items: [1, 2] },
    { name: "lone CR line ends", chunks: ["data: 1\r\rdata: 2\r", "\r"], items: [1, 2] },
    {
      name: "a multi-byte character split across chunks",
      chunks: [eAcute.slice(0, 8), eAcute.slice(8)],
      items: ["é"],
    },
    {
      name: "the event type is added to object items; a data field named event wins",
      chunks: ['event: tick\ndata: {"n":1}\n\n', 'event: tick\ndata: {"event":"own","n":2}\n\n'],
      items: [
        { event: "tick", n: 1 },
        { event: "own", n: 2 },
      ],
    },
    {
      name: "arrays, numbers and null are items as they are",
      chunks: ["data: [1,2]\n\ndata: 3\n\ndata: null\n\n"],
      items: [[1, 2], 3, null],
    },
    { name: "the last data line wins", chunks: ["data: 1\ndata: 2\n\n"], items: [2] },
    {
      name: "blank blocks and events without data are skipped",
      chunks: ["\n\n  \n\nevent: ping\n\ndata: 1\n\n"],
      items: [1],
    },
    { name: "non-JSON data becomes a message item", chunks: ["data: hi\n\n"], items: [{ event: "message", message: "hi" }] },
    { name: "a close block ends the stream", chunks: ["data: 1\n\nevent: close\n\ndata: 2\n\n"], items: [1] },
  ]
  for (const c of cases) {
    test(c.name, async () => {
      const { items, error } = await readChunks(c.chunks)
      assert.equal(error, undefined)
      assert.deepEqual(items, c.items)
    })
  }

  const errorCases = [
    {
      name: "error block with only an error text",
      data: '{"error":"boom"}',
      expect: { code: "STREAM_ERROR", message: "boom", details: undefined },
    },
    {
      name: "error block with code, message and details",
      data: '{"code":"E1","message":"bad","details":[1]}',
      expect: { code: "E1", message: "bad", details: [1] },
    },
    { name: "error block without data", data: "", expect: { code: "STREAM_ERROR", message: "stream error" } },
    { name: "error block with null data", data: "null", expect: { code: "STREAM_ERROR", message: "stream error" } },
  ]
  for (const c of errorCases) {
    test(`TolvStreamError: ${c.name}`, async () => {
      const block = c.data ? `event: error\ndata: ${c.data}\n\n` : "event: error\n\n"
      const { items, error } = await readChunks(["data: 1\n\n", block, "data: 2\n\n"])
      assert.deepEqual(items, [1])
      assert.equal(error._tag, "TolvStreamError")
      assert.equal(error.url, "http://example.invalid/channel/feed")
      for (const [key, value] of Object.entries(c.expect)) {
        assert.deepEqual(error[key], value, key)
      }
    })
  }

  test("an item that does not match the schema gives TolvDecodeError", async () => {
    const { items, error } = await readChunks(["data: 1\n\ndata: \"x\"\n\ndata: 3\n\n"], Schema.Number)
    assert.deepEqual(items, [1])
    assert.equal(error._tag, "TolvDecodeError")
  })

  test("a body that fails while reading gives TolvNetworkError", async () => {
    const { items, error } = await collect(rt.callChannel("feed", {}, Schema.Unknown), {
      baseUrl: "http://example.invalid",
      fetch: chunkedFetch(["data: 1\n\n"], new TypeError("connection reset")),
    })
    assert.deepEqual(items, [1])
    assert.equal(error._tag, "TolvNetworkError")
  })

  test("a response without a body gives TolvStreamError NO_STREAM", async () => {
    const { error } = await collect(rt.callChannel("feed", {}, Schema.Unknown), {
      baseUrl: "http://example.invalid",
      fetch: () => Promise.resolve(new Response(null, { status: 200 })),
    })
    assert.equal(error._tag, "TolvStreamError")
    assert.equal(error.code, "NO_STREAM")
    assert.equal(error.message, "Response has no body")
  })
})

describe("callChannel over HTTP", () => {
  let server
  const openStreams = []
  before(async () => {
    server = await startServer((request, res) => {
      const name = request.path.replace("/channel/", "")
      if (name === "refused") {
        return sendJson(res, 403, { code: "FORBIDDEN", message: "no access" })
      }
      if (name === "silent") return openStreams.push(res)
      res.writeHead(200, { "Content-Type": "text/event-stream" })
      res.flushHeaders()
      openStreams.push(res)
      const args = JSON.parse(request.body)
      if (name === "slow") {
        // Items arrive well after the opening timeout has passed.
        setTimeout(() => res.write("data: 1\n\n"), 120)
        setTimeout(() => res.write("event: close\n\n"), 160)
        return
      }
      // Writes the items and a close block, then keeps the connection open.
      for (let n = 1; n <= args.count; n++) {
        res.write(`event: tick\r\ndata: {"n":${n}}\r\n\r\n`)
      }
      if (name === "ticks") res.write("event: close\n\n")
    })
  })
  after(() => {
    for (const res of openStreams) res.destroy()
    return server.close()
  })

  const Tick = Schema.Struct({ event: Schema.Literal("tick"), n: Schema.Number })

  test("streams items until a close block, then drops the connection", async () => {
    const { items, error } = await collect(rt.callChannel("ticks", { count: 3 }, Tick), {
      baseUrl: server.baseUrl,
      headers: { "X-App": "a" },
    })
    assert.equal(error, undefined)
    assert.deepEqual(items.map((i) => i.n), [1, 2, 3])
    const request = server.requests.find((r) => r.path === "/channel/ticks")
    assert.equal(request.method, "POST")
    assert.equal(request.headers["content-type"], "application/json")
    assert.equal(request.headers["x-app"], "a")
    await eventually(() => request.closedEarly)
  })

  test("a consumer that stops early aborts the request", async () => {
    const result = await run(
      Stream.runCollect(Stream.take(rt.callChannel("endless", { count: 5 }, Tick), 2)),
      { baseUrl: server.baseUrl },
    )
    assert.equal(result._tag, "Right")
    assert.equal(result.right.length, 2)
    const request = server.requests.find((r) => r.path === "/channel/endless")
    await eventually(() => request.closedEarly)
  })

  test("a refused opening gives TolvHttpError", async () => {
    const { error } = await collect(rt.callChannel("refused", {}, Tick), { baseUrl: server.baseUrl })
    assert.equal(error._tag, "TolvHttpError")
    assert.equal(error.status, 403)
    assert.equal(error.code, "FORBIDDEN")
    assert.equal(error.message, "no access")
  })

  test("the timeout limits the opening", async () => {
    const { error } = await collect(rt.callChannel("silent", {}, Tick, { timeout: "50 millis" }), {
      baseUrl: server.baseUrl,
    })
    assert.equal(error._tag, "TolvTimeoutError")
    assert.equal(error.durationMs, 50)
  })

  test("the timeout does not limit the life of an opened stream", async () => {
    const { items, error } = await collect(
      rt.callChannel("slow", {}, Schema.Unknown, { timeout: "50 millis" }),
      { baseUrl: server.baseUrl },
    )
    assert.equal(error, undefined)
    assert.deepEqual(items, [1])
  })

  test("the caller's signal ends a running stream with TolvAbortError", async () => {
    const controller = new AbortController()
    const items = []
    const result = await run(
      Stream.runForEach(
        rt.callChannel("endless", { count: 1 }, Tick, { signal: controller.signal }),
        (item) =>
          Effect.sync(() => {
            items.push(item)
            controller.abort()
          }),
      ),
      { baseUrl: server.baseUrl },
    )
    assert.equal(items.length, 1)
    assert.equal(result.left._tag, "TolvAbortError")
  })

  test("an already aborted signal gives TolvAbortError", async () => {
    const { error } = await collect(
      rt.callChannel("ticks", { count: 1 }, Tick, { signal: AbortSignal.abort() }),
      { baseUrl: server.baseUrl },
    )
    assert.equal(error._tag, "TolvAbortError")
  })
})
