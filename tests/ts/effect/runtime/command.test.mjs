// callCommand against a local server: request shape, decoding, errors,
// retries, timeouts and abort signals.
import assert from "node:assert/strict"
import { getEventListeners } from "node:events"
import { after, before, describe, test } from "node:test"
import { Schema } from "effect"
import { eventually, rt, run, sendJson, sleep, startServer } from "./helpers.mjs"

const User = Schema.Struct({ id: Schema.Number, name: Schema.String })

// Routes by the command name; `status` answers with that status and a JSON
// error body, `slow` answers after 2 s, `endless` never ends its body.
let server
before(async () => {
  server = await startServer((request, res) => {
    const command = request.path.replace("/command/", "")
    switch (command) {
      case "get_user":
        return sendJson(res, 200, { result: { id: 7, name: "Ann" } })
      case "echo":
        return sendJson(res, 200, { result: JSON.parse(request.body) })
      case "json_null":
        res.writeHead(Number(request.headers["x-status"] ?? 200))
        return res.end("null")
      case "html":
        res.writeHead(502, "Bad Gateway", { "Content-Type": "text/html" })
        return res.end("<html>down</html>")
      case "status":
        return sendJson(res, Number(request.headers["x-status"]), {
          code: "E_CODE",
          message: "went wrong",
          details: { field: "id" },
        })
      case "slow":
        return void setTimeout(() => sendJson(res, 200, { result: 1 }), 2000)
      case "endless":
        res.writeHead(200, { "Content-Type": "application/json" })
        return res.write('{"result":')
      default:
        return sendJson(res, 404, { code: "NOT_FOUND", message: command })
    }
  })
})
after(() => server.close())

const requestsTo = (command) => server.requests.filter((r) => r.path === `/command/${command}`)

describe("callCommand", () => {
  test("posts the arguments as JSON and decodes the result", async () => {
    const result = await run(rt.callCommand("get_user", { user_id: 7 }, User), {
      baseUrl: `${server.baseUrl}/`,
    })
    assert.equal(result._tag, "Right")
    assert.deepEqual(result.right, { id: 7, name: "Ann" })
    const [request] = requestsTo("get_user")
    assert.equal(request.method, "POST")
    assert.equal(request.headers["content-type"], "application/json")
    assert.deepEqual(JSON.parse(request.body), { user_id: 7 })
  })

  test("sends an absent payload as an empty object", async () => {
    const result = await run(rt.callCommand("echo", undefined, Schema.Unknown), {
      baseUrl: server.baseUrl,
    })
    assert.deepEqual(result.right, {})
  })

  test("call headers override configuration headers; a content type is kept", async () => {
    await run(
      rt.callCommand("echo", {}, Schema.Unknown, {
        headers: { "X-Token": "call", "content-type": "text/plain" },
      }),
      { baseUrl: server.baseUrl, headers: { "X-Token": "config", "X-App": "a" } },
    )
    const request = requestsTo("echo").at(-1)
    assert.equal(request.headers["x-token"], "call")
    assert.equal(request.headers["x-app"], "a")
    assert.equal(request.headers["content-type"], "text/plain")
  })

  test("uses the configured fetch", async () => {
    const seen = []
    const fetch = (url, init) => {
      seen.push([url, init.method])
      return Promise.resolve(new Response(JSON.stringify({ result: "ok" })))
    }
    const result = await run(rt.callCommand("x", {}, Schema.String), {
      baseUrl: "http://example.invalid",
      fetch,
    })
    assert.equal(result.right, "ok")
    assert.deepEqual(seen, [["http://example.invalid/command/x", "POST"]])
  })

  test("a call header replaces a configured one, and a content type is added unless named, in any letter case", async () => {
    // [call headers, headers sent, configured headers]
    const cases = [
      [{}, { "Content-Type": "application/json" }],
      [{ "content-type": "text/plain" }, { "content-type": "text/plain" }],
      [{ "Content-Type": "text/plain" }, { "Content-Type": "text/plain" }],
      [{ "CONTENT-TYPE": "text/plain" }, { "CONTENT-TYPE": "text/plain" }],
      [{ authorization: "new" }, { authorization: "new", "Content-Type": "application/json" }, { Authorization: "old" }],
      [{ "x-a": "1", "X-A": "2" }, { "X-A": "2", "Content-type": "a/b" }, { "Content-type": "a/b" }],
    ]
    for (const [headers, expected, configured] of cases) {
      let sent
      const fetch = (url, init) => {
        sent = init.headers
        return Promise.resolve(new Response(JSON.stringify({ result: 1 })))
      }
      await run(rt.callCommand("x", {}, Schema.Number, { headers }), { baseUrl: "http://h", fetch, headers: configured })
      assert.deepEqual(sent, expected)
    }
  })

  test("a rejected fetch or body read becomes TolvAbortError for abort-like causes, else TolvNetworkError", async () => {
    const cases = [
      [new DOMException("stopped", "AbortError"), "TolvAbortError"],
      [{ name: "AbortError" }, "TolvAbortError"],
      [new TypeError("fetch failed"), "TolvNetworkError"],
      [{ name: "TimeoutError" }, "TolvNetworkError"],
      ["AbortError", "TolvNetworkError"],
      [null, "TolvNetworkError"],
    ]
    const failedBody = (cause) => new Response(new ReadableStream({ pull: (c) => c.error(cause) }))
    const retry = { times: 1, backoff: { kind: "fixed", delay: "1 millis" }, while: () => true }
    for (const [cause, tag] of cases) {
      for (const answer of [() => Promise.reject(cause), () => Promise.resolve(failedBody(cause))]) {
        let calls = 0
        const fetch = () => (calls++, answer())
        const result = await run(rt.callCommand("x", {}, Schema.Number, { retry }), { baseUrl: "http://h/", fetch })
        assert.equal(result.left._tag, tag, String(cause?.name ?? cause))
        assert.equal(result.left.url, "http://h/command/x")
        if (tag === "TolvNetworkError") assert.equal(result.left.cause, cause)
        // An abort is never retried, whatever `while` says.
        assert.equal(calls, tag === "TolvAbortError" ? 1 : 2)
      }
    }
  })

  test("binds the global fetch to globalThis when none is configured", async () => {
    const original = globalThis.fetch
    let receiver
    globalThis.fetch = function (url, init) {
      receiver = this
      return original.call(globalThis, url, init)
    }
    try {
      const result = await run(rt.callCommand("get_user", {}, User), { baseUrl: server.baseUrl })
      assert.equal(result._tag, "Right")
      assert.equal(receiver, globalThis)
    } finally {
      globalThis.fetch = original
    }
  })

  const errorCases = [
    {
      name: "a JSON error body fills code, message and details",
      command: "status",
      status: 422,
      expect: { status: 422, code: "E_CODE", message: "went wrong", details: { field: "id" } },
    },
    {
      name: "a non-JSON error body becomes the message",
      command: "html",
      expect: { status: 502, statusText: "Bad Gateway", message: "<html>down</html>" },
    },
    {
      // An error's message is a string: without one in the body it reads "".
      name: "a JSON null error body gives an error without fields",
      command: "json_null",
      status: 500,
      expect: { status: 500, code: undefined, message: "" },
    },
  ]
  for (const c of errorCases) {
    test(`TolvHttpError: ${c.name}`, async () => {
      const headers = c.status === undefined ? {} : { "x-status": String(c.status) }
      const result = await run(rt.callCommand(c.command, {}, Schema.Unknown, { headers }), {
        baseUrl: server.baseUrl,
      })
      assert.equal(result._tag, "Left")
      assert.equal(result.left._tag, "TolvHttpError")
      assert.equal(result.left.url, `${server.baseUrl}/command/${c.command}`)
      for (const [key, value] of Object.entries(c.expect)) {
        assert.deepEqual(result.left[key], value, key)
      }
    })
  }

  test("a result that does not match the schema gives TolvDecodeError", async () => {
    const result = await run(rt.callCommand("get_user", {}, Schema.Array(Schema.Number)), {
      baseUrl: server.baseUrl,
    })
    assert.equal(result.left._tag, "TolvDecodeError")
    assert.ok(result.left.cause)
  })

  test("an empty or null 2xx body leaves the result undefined for the schema to judge; text that is not JSON is none", async () => {
    // [body, whether it is JSON or empty]: white space alone is not JSON.
    for (const [body, judged] of [["", true], ["null", true], ["<html>Sign in</html>", false], [" ", false]]) {
      const config = { baseUrl: "http://h", fetch: () => Promise.resolve(new Response(body)) }
      const accepted = await run(rt.callCommand("x", {}, Schema.Undefined), config)
      assert.equal(accepted._tag, judged ? "Right" : "Left", JSON.stringify(body))
      const refused = await run(rt.callCommand("x", {}, Schema.Number), config)
      assert.equal(refused.left._tag, "TolvDecodeError", JSON.stringify(body))
      if (judged) continue
      assert.equal(accepted.left.url, "http://h/command/x")
      assert.ok(accepted.left.cause instanceof SyntaxError)
    }
  })

  test("an unreachable server gives TolvNetworkError", async () => {
    const closed = await startServer(() => {})
    await closed.close()
    const result = await run(rt.callCommand("get_user", {}, User), { baseUrl: closed.baseUrl })
    assert.equal(result.left._tag, "TolvNetworkError")
    assert.equal(result.left.url, `${closed.baseUrl}/command/get_user`)
  })
})

describe("callCommand retries", () => {
  const fast = { kind: "fixed", delay: "1 millis" }
  const cases = [
    { name: "default options: one attempt on a 500", status: 500, attempts: 1 },
    { name: "times 0: one attempt", status: 500, retry: { times: 0 }, attempts: 1 },
    { name: "times 2: three attempts on 500s", status: 500, retry: { times: 2, backoff: fast }, attempts: 3 },
    { name: "times 2: no retry on a 4xx", status: 404, retry: { times: 2, backoff: fast }, attempts: 1 },
    { name: "backoff none: no retry", status: 503, retry: { times: 3, backoff: { kind: "none" } }, attempts: 1 },
    {
      name: "until stops retrying",
      status: 500,
      retry: { times: 3, backoff: fast, until: (e) => e.status === 500 },
      attempts: 1,
    },
    {
      name: "while widens the retried errors",
      status: 409,
      retry: { times: 1, backoff: fast, while: () => true },
      attempts: 2,
    },
    {
      name: "until leaves the default while in place",
      status: 400,
      retry: { times: 2, backoff: fast, until: () => false },
      attempts: 1,
    },
    {
      name: "null call fields fall back to the configuration",
      status: 500,
      config: { times: 2, backoff: fast },
      retry: { times: null, backoff: null },
      attempts: 3,
    },
    {
      name: "call options override the configuration",
      status: 500,
      config: { times: 3, backoff: fast },
      retry: { times: 1 },
      attempts: 2,
    },
  ]
  // A signal shared by every call, never aborted, keeps no listener of theirs.
  const shared = new AbortController().signal
  for (const c of cases) {
    test(c.name, async () => {
      const tag = `retry-${cases.indexOf(c)}`
      const result = await run(
        rt.callCommand("status", {}, Schema.Unknown, {
          retry: c.retry,
          signal: shared,
          headers: { "x-status": String(c.status), "x-case": tag },
        }),
        { baseUrl: server.baseUrl, retry: c.config },
      )
      assert.equal(getEventListeners(shared, "abort").length, 0)
      assert.equal(result.left._tag, "TolvHttpError")
      assert.equal(result.left.status, c.status)
      const attempts = server.requests.filter((r) => r.headers["x-case"] === tag)
      assert.equal(attempts.length, c.attempts)
    })
  }

  test("max caps each exponential delay instead of acting as a floor", async () => {
    // Expected gaps: 50, 100, then 200 capped to 150 milliseconds.
    const result = await run(
      rt.callCommand("status", {}, Schema.Unknown, {
        headers: { "x-status": "503", "x-case": "capped" },
        retry: {
          times: 3,
          jitter: false,
          backoff: { kind: "exponential", base: "50 millis", factor: 2, max: "150 millis" },
        },
      }),
      { baseUrl: server.baseUrl },
    )
    assert.equal(result.left.status, 503)
    const times = server.requests.filter((r) => r.headers["x-case"] === "capped").map((r) => r.at)
    assert.equal(times.length, 4)
    const gaps = times.slice(1).map((t, i) => t - times[i])
    const expected = [50, 100, 150]
    // What max as a floor (150 each) or no cap (200 last) would give: a busy
    // machine stretches a gap, but not up to these.
    const wrong = [150, 150, 200]
    gaps.forEach((gap, i) => {
      assert.ok(gap >= expected[i] - 5, `gap ${i} is ${gap} ms, expected about ${expected[i]}`)
      assert.ok(gap < wrong[i], `gap ${i} is ${gap} ms, expected about ${expected[i]}`)
    })
  })
})

describe("callCommand timeouts and signals", () => {
  test("an attempt over the timeout gives TolvTimeoutError and is cancelled", async () => {
    const result = await run(rt.callCommand("slow", {}, Schema.Number, { timeout: "50 millis" }), {
      baseUrl: server.baseUrl,
    })
    assert.equal(result.left._tag, "TolvTimeoutError")
    assert.equal(result.left.durationMs, 50)
    assert.equal(result.left.url, `${server.baseUrl}/command/slow`)
    const request = requestsTo("slow").at(-1)
    await eventually(() => request.closedEarly)
  })

  test("the configured timeout applies; each retry gets its own", async () => {
    const result = await run(
      rt.callCommand("slow", {}, Schema.Number, {
        headers: { "x-case": "timeout-retry" },
        retry: { times: 1, backoff: { kind: "fixed", delay: "1 millis" } },
      }),
      { baseUrl: server.baseUrl, timeout: "40 millis" },
    )
    assert.equal(result.left._tag, "TolvTimeoutError")
    const attempts = server.requests.filter((r) => r.headers["x-case"] === "timeout-retry")
    assert.equal(attempts.length, 2)
  })

  test("a zero timeout counts as none", async () => {
    const result = await run(rt.callCommand("get_user", {}, User, { timeout: 0 }), {
      baseUrl: server.baseUrl,
    })
    assert.equal(result._tag, "Right")
  })

  test("an already aborted signal gives TolvAbortError and sends nothing", async () => {
    const before = server.requests.length
    const result = await run(
      rt.callCommand("get_user", {}, User, {
        signal: AbortSignal.abort(),
        retry: { times: 2, while: () => false },
      }),
      { baseUrl: server.baseUrl },
    )
    assert.equal(result.left._tag, "TolvAbortError")
    assert.equal(result.left.url, `${server.baseUrl}/command/get_user`)
    await sleep(20)
    assert.equal(server.requests.length, before)
  })

  test("aborting while waiting for headers, reading the body or backing off gives TolvAbortError at once", async () => {
    const retry = { times: 3, backoff: { kind: "fixed", delay: "2 seconds" }, while: () => true }
    // [command, retry options]: a 500 is answered at once, then the backoff waits.
    const cases = [["slow"], ["endless"], ["status", retry], ["slow", retry]]
    for (const [command, retry] of cases) {
      const controller = new AbortController()
      setTimeout(() => controller.abort(), 50)
      const tag = `abort-${command}-${retry !== undefined}`
      const started = performance.now()
      const options = { signal: controller.signal, retry, headers: { "x-status": "500", "x-case": tag } }
      const result = await run(rt.callCommand(command, {}, Schema.Number, options), { baseUrl: server.baseUrl })
      assert.equal(result.left._tag, "TolvAbortError", tag)
      assert.ok(performance.now() - started < 1000, tag)
      const attempts = server.requests.filter((r) => r.headers["x-case"] === tag)
      assert.equal(attempts.length, 1, tag)
      await eventually(() => attempts[0].closedEarly || command === "status")
    }
  })
})
