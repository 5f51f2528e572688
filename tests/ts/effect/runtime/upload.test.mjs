// callUpload with a minimal fake XMLHttpRequest (Node has none): the form,
// status handling, decoding, progress, signals and timeouts.
import assert from "node:assert/strict"
import { afterEach, beforeEach, describe, test } from "node:test"
import { Schema } from "effect"
import { rt, run } from "./helpers.mjs"

// Records what the runtime does with it; `FakeXhr.onSend(xhr)` plays the
// server. abort() fires "abort" only on a sent request, as browsers do.
class FakeXhr extends EventTarget {
  static instances = []
  static onSend = () => {}
  upload = new EventTarget()
  headers = {}
  status = 0
  responseText = ""
  sent = false
  aborted = false

  constructor() {
    super()
    FakeXhr.instances.push(this)
  }
  open(method, url) {
    this.method = method
    this.url = url
  }
  setRequestHeader(name, value) {
    this.headers[name] = value
  }
  send(form) {
    this.form = form
    this.sent = true
    FakeXhr.onSend(this)
  }
  abort() {
    this.aborted = true
    if (this.sent) this.dispatchEvent(new Event("abort"))
  }
  respond(status, text) {
    this.status = status
    this.responseText = text
    this.dispatchEvent(new Event("load"))
  }
  progress(loaded, total, lengthComputable = true) {
    this.upload.dispatchEvent(Object.assign(new Event("progress"), { loaded, total, lengthComputable }))
  }
}

const config = { baseUrl: "http://example.invalid/api", headers: { "X-App": "a" } }
const Saved = Schema.Struct({ saved: Schema.Number })
const fileA = new File(["aaa"], "a.txt", { type: "text/plain" })
const fileB = new File(["bb"], "b.txt", { type: "text/plain" })

const upload = (options, schema = Saved) =>
  run(rt.callUpload("save_files", [fileA, fileB], { tag: "x" }, schema, options), config)

beforeEach(() => {
  globalThis.XMLHttpRequest = FakeXhr
  FakeXhr.instances = []
  FakeXhr.onSend = () => {}
})
afterEach(() => {
  delete globalThis.XMLHttpRequest
})

describe("callUpload", () => {
  test("posts the files and arguments as a form and decodes the result", async () => {
    FakeXhr.onSend = (xhr) => queueMicrotask(() => xhr.respond(200, '{"result":{"saved":2}}'))
    const result = await upload({ headers: { "Content-Type": "text/plain", "X-Call": "c" } })
    assert.deepEqual(result.right, { saved: 2 })
    const [xhr] = FakeXhr.instances
    assert.equal(xhr.method, "POST")
    assert.equal(xhr.url, "http://example.invalid/api/upload/save_files")
    assert.deepEqual(xhr.headers, { "X-App": "a", "X-Call": "c" })
    assert.deepEqual(
      xhr.form.getAll("files").map((f) => f.name),
      ["a.txt", "b.txt"],
    )
    assert.equal(xhr.form.get("_args"), '{"tag":"x"}')
  })

  const failures = [
    {
      name: "a JSON error body",
      status: 400,
      text: '{"code":"TOO_MANY","message":"too many files","details":{"max":1}}',
      expect: { status: 400, code: "TOO_MANY", message: "too many files", details: { max: 1 } },
    },
    {
      name: "a non-JSON body becomes the message",
      status: 413,
      text: "Request Entity Too Large",
      expect: { status: 413, code: undefined, message: "Request Entity Too Large" },
    },
    {
      name: "an empty body names the status",
      status: 413,
      text: "",
      expect: { status: 413, message: "Upload failed with status 413" },
    },
  ]
  for (const c of failures) {
    test(`TolvUploadError: ${c.name}`, async () => {
      FakeXhr.onSend = (xhr) => queueMicrotask(() => xhr.respond(c.status, c.text))
      const result = await upload()
      assert.equal(result.left._tag, "TolvUploadError")
      assert.equal(result.left.handler, "save_files")
      for (const [key, value] of Object.entries(c.expect)) {
        assert.deepEqual(result.left[key], value, key)
      }
    })
  }

  test("a result that does not match the schema, or a 2xx body that is not JSON, gives TolvDecodeError", async () => {
    // [status, body, schema, failed]: an empty body is a void result.
    const cases = [[201, '{"result":{"saved":"two"}}', Saved, true], [204, "<html>Sign in</html>", Schema.Undefined, true],
      [204, " ", Schema.Undefined, true], [204, "", Schema.Undefined, false]]
    for (const [status, text, schema, failed] of cases) {
      FakeXhr.onSend = (xhr) => queueMicrotask(() => xhr.respond(status, text))
      const result = await upload({}, schema)
      assert.equal(result.left?._tag, failed ? "TolvDecodeError" : undefined, JSON.stringify(text))
      if (failed) assert.equal(result.left.url, "http://example.invalid/api/upload/save_files")
      if (failed && schema === Schema.Undefined) assert.ok(result.left.cause instanceof SyntaxError)
    }
  })

  test("a network error gives TolvUploadError", async () => {
    FakeXhr.onSend = (xhr) => queueMicrotask(() => xhr.dispatchEvent(new Event("error")))
    const result = await upload()
    assert.equal(result.left._tag, "TolvUploadError")
    assert.equal(result.left.message, "Upload network error")
  })

  test("reports progress with a computable length only", async () => {
    const events = []
    FakeXhr.onSend = (xhr) =>
      queueMicrotask(() => {
        xhr.progress(1, 3)
        xhr.progress(5, 0, false)
        xhr.progress(3, 3)
        xhr.respond(200, '{"result":{"saved":2}}')
      })
    await upload({ onProgress: (event) => events.push(event) })
    assert.deepEqual(events, [
      { loaded: 1, total: 3, percentage: 33 },
      { loaded: 3, total: 3, percentage: 100 },
    ])
  })

  test("an already aborted signal fails at once and sends nothing", async () => {
    const result = await upload({ signal: AbortSignal.abort() })
    assert.equal(result.left._tag, "TolvAbortError")
    assert.equal(result.left.url, "http://example.invalid/api/upload/save_files")
    assert.equal(FakeXhr.instances.filter((xhr) => xhr.sent).length, 0)
  })

  test("aborting the signal during the upload or its backoff gives TolvAbortError at once", async () => {
    const retry = { times: 3, backoff: { kind: "fixed", delay: "2 seconds" }, while: () => true }
    // A network error first, when the abort is to come during the backoff.
    for (const duringBackoff of [false, true]) {
      FakeXhr.instances = []
      const controller = new AbortController()
      FakeXhr.onSend = (xhr) =>
        queueMicrotask(() => (duringBackoff ? xhr.dispatchEvent(new Event("error")) : controller.abort()))
      if (duringBackoff) setTimeout(() => controller.abort(), 50)
      const started = performance.now()
      const result = await upload({ signal: controller.signal, retry })
      assert.equal(result.left._tag, "TolvAbortError")
      assert.ok(performance.now() - started < 1000)
      assert.deepEqual(FakeXhr.instances.map((xhr) => xhr.aborted), [!duringBackoff])
    }
  })

  test("a timeout aborts the request; retries get a fresh one", async () => {
    const result = await upload({
      timeout: "20 millis",
      retry: { times: 1, backoff: { kind: "fixed", delay: "1 millis" } },
    })
    assert.equal(result.left._tag, "TolvTimeoutError")
    assert.equal(result.left.durationMs, 20)
    assert.equal(FakeXhr.instances.length, 2)
    assert.ok(FakeXhr.instances.every((xhr) => xhr.aborted))
  })
})
