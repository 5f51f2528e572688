// The promise surface (default runtime lifecycle) and the URL builders.
import assert from "node:assert/strict"
import { after, before, describe, test } from "node:test"
import { Effect, Layer, Schema } from "effect"
import { rt, run, sendJson, startServer } from "./helpers.mjs"

const NOT_INITIALISED = "Tolv: call initTolv(config) before using promise-style functions."

// Answers every command with the server's name and every channel with two
// items.
const namedServer = (name) =>
  startServer((request, res) => {
    if (request.path.startsWith("/channel/")) {
      res.writeHead(200, { "Content-Type": "text/event-stream" })
      return res.end("data: 1\n\ndata: 2\n\n")
    }
    sendJson(res, 200, { result: name })
  })

describe("promise surface", () => {
  let first
  let second
  before(async () => {
    first = await namedServer("first")
    second = await namedServer("second")
  })
  after(async () => {
    await rt.disposeTolv()
    await first.close()
    await second.close()
  })

  test("before initTolv, runPromise throws at the call", () => {
    assert.throws(() => rt.runPromise(rt.callCommand("who", {}, Schema.String)), {
      message: NOT_INITIALISED,
    })
  })

  test("before initTolv, toAsyncIterable rejects on the first next()", async () => {
    const iterable = rt.toAsyncIterable(rt.callChannel("feed", {}, Schema.Number))
    const iterator = iterable[Symbol.asyncIterator]()
    await assert.rejects(iterator.next(), { message: NOT_INITIALISED })
  })

  test("initTolv serves runPromise and toAsyncIterable", async () => {
    const layer = rt.initTolv({ baseUrl: first.baseUrl })
    assert.ok(Layer.isLayer(layer))
    assert.equal(await rt.runPromise(rt.callCommand("who", {}, Schema.String)), "first")
    const items = []
    for await (const item of rt.toAsyncIterable(rt.callChannel("feed", {}, Schema.Number))) {
      items.push(item)
    }
    assert.deepEqual(items, [1, 2])
  })

  test("runPromise rejects with the call's tagged error", async () => {
    await assert.rejects(rt.runPromise(rt.callCommand("who", {}, Schema.Number)), (error) => {
      assert.match(String(error), /TolvDecodeError/)
      return true
    })
  })

  test("a second initTolv replaces the runtime and disposes the first", async () => {
    let disposed = false
    const watched = Layer.merge(
      rt.layerTolvClient({ baseUrl: first.baseUrl }),
      Layer.scopedDiscard(Effect.addFinalizer(() => Effect.sync(() => (disposed = true)))),
    )
    rt.setDefaultLayer(watched)
    assert.equal(await rt.runPromise(rt.callCommand("who", {}, Schema.String)), "first")
    rt.initTolv({ baseUrl: second.baseUrl })
    assert.equal(await rt.runPromise(rt.callCommand("who", {}, Schema.String)), "second")
    assert.equal(disposed, true)
  })

  test("disposeTolv twice: both resolve, and calls need initTolv again", async () => {
    await rt.disposeTolv()
    await rt.disposeTolv()
    assert.throws(() => rt.runPromise(rt.callCommand("who", {}, Schema.String)), {
      message: NOT_INITIALISED,
    })
  })
})

describe("buildStaticUrl", () => {
  const cases = [
    { base: "http://h", handler: "logo", params: {}, url: "http://h/static/logo" },
    {
      base: "http://h/",
      handler: "user_avatar",
      params: { size: 64, missing: null, gone: undefined, tags: ["a", "b"], q: "x y&z" },
      url: "http://h/static/user_avatar?size=64&tags=a%2Cb&q=x+y%26z",
    },
    { base: "http://h", handler: "doc", params: { only: null }, url: "http://h/static/doc" },
    { base: "http://h//", handler: "doc", params: {}, url: "http://h//static/doc" },
    { base: "/api", handler: "f", params: { flag: false }, url: "/api/static/f?flag=false" },
  ]
  for (const c of cases) {
    test(`${c.base} ${c.handler} ${JSON.stringify(c.params)}`, async () => {
      const result = await run(rt.buildStaticUrl(c.handler, c.params), { baseUrl: c.base })
      assert.equal(result.right, c.url)
    })
  }
})

describe("websocket URLs", () => {
  const cases = [
    { base: "http://h:8000", url: "ws://h:8000/ws/live_feed" },
    { base: "https://h/api/", url: "wss://h/api/ws/live_feed" },
    { base: "/api", url: "/api/ws/live_feed" },
  ]
  for (const c of cases) {
    test(`wsUrl of ${c.base}`, async () => {
      const result = await run(rt.wsUrl("live_feed"), { baseUrl: c.base })
      assert.equal(result.right, c.url)
    })
  }

  test("openWebSocket returns the socket, or TolvNetworkError when it cannot be made", async () => {
    const opened = []
    globalThis.WebSocket = class {
      constructor(url) {
        if (url.includes("bad")) throw new SyntaxError("invalid URL")
        this.url = url
        opened.push(url)
      }
    }
    try {
      const ok = await run(rt.openWebSocket("chat"), { baseUrl: "https://h" })
      assert.equal(ok.right.url, "wss://h/ws/chat")
      assert.deepEqual(opened, ["wss://h/ws/chat"])
      const failed = await run(rt.openWebSocket("bad"), { baseUrl: "https://h" })
      assert.equal(failed.left._tag, "TolvNetworkError")
      assert.equal(failed.left.url, "wss://h/ws/bad")
      assert.ok(failed.left.cause instanceof SyntaxError)
    } finally {
      delete globalThis.WebSocket
    }
  })
})
