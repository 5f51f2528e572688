// Scenarios for the Effect client generated with the Promise surface: calls
// return promises run on the runtime installed by initTolv, channels are
// async iterables.
import { Cause, Runtime } from "effect"
import * as api from "@gen/promise/api"
import { ADA, ALVAR_DECODED, roomMessages } from "./expected"
import {
  asJson,
  checkProgress,
  equal,
  eventually,
  flakyHeaders,
  messageOf,
  patternFile,
  registerScenarios,
  rejectionOf,
  serverAttempts,
  serverOpenChannels,
  thrownBy,
} from "./harness"

const NOT_INITIALISED = "Tolv: call initTolv(config) before using promise-style functions."

const init = () => api.initTolv({ baseUrl: location.origin })
init()

/** The tagged error inside a rejection of a promise-surface call. */
function tolvErrorOf(err: unknown): { _tag?: string } & Record<string, unknown> {
  const inner = Runtime.isFiberFailure(err) ? Cause.squash(err[Runtime.FiberFailureCauseId]) : err
  return inner as { _tag?: string } & Record<string, unknown>
}

async function collect<T>(items: AsyncIterable<T>, seen: T[] = []): Promise<T[]> {
  for await (const item of items) seen.push(item)
  return seen
}

registerScenarios({
  async "calls before initTolv fail, and work again after it"() {
    await api.disposeTolv()
    await api.disposeTolv()
    try {
      equal(messageOf(thrownBy(() => api.getUser({ userId: 1 }), "getUser")), NOT_INITIALISED, "command")
      const iterable = api.watchMessages({ roomId: "early" })
      equal(messageOf(await rejectionOf(collect(iterable), "channel iteration")), NOT_INITIALISED, "channel")
    } finally {
      init()
    }
    equal((await api.getUser({ userId: 1 })).displayName, "Ada", "after initTolv")
    // A second initTolv replaces the runtime; calls go on working.
    init()
    equal(await api.ping(), undefined, "after a second initTolv")
  },

  async "commands decode results and encode model arguments"() {
    equal(asJson(await api.getUser({ userId: 2 })), ALVAR_DECODED, "getUser(2)")
    const filter = { maxItems: 1, query: undefined, sort: "asc", includeDeleted: true, range: { fromIndex: 0, toIndex: 3 } } as const
    equal(asJson(await api.listUsers({ filter, limit: 4 })), { items: [ADA], nextCursor: "1", totalCount: 4 }, "listUsers")
  },

  async "error answer rejects with TolvHttpError"() {
    const err = tolvErrorOf(await rejectionOf(api.getUser({ userId: 99 }), "getUser(99)"))
    equal({ tag: err._tag, status: err.status, code: err.code, message: err.message, details: err.details },
      { tag: "TolvHttpError", status: 404, code: "NOT_FOUND", message: "No user with id 99", details: { user_id: 99 } },
      "error")
  },

  async "malformed answer rejects with TolvDecodeError"() {
    equal(tolvErrorOf(await rejectionOf(api.getUser({ userId: 13 }), "getUser(13)"))._tag, "TolvDecodeError", "tag")
  },

  async "503 answers are retried with retry times 2"() {
    const key = "promise-retry"
    equal(await api.ping({ retry: { times: 2 }, headers: flakyHeaders(key, 2) }), undefined, "answer")
    equal(await serverAttempts(key), 3, "attempts seen by the server")
  },

  async "channel is an async iterable of decoded items"() {
    equal(await collect(api.watchMessages({ roomId: "den" })), roomMessages("den"), "watchMessages")
    equal(await collect(api.progress()), [10, 50, null, 100], "progress")
  },

  async "leaving a channel iteration early hangs it up"() {
    const seen: unknown[] = []
    for await (const item of api.watchMessages({ roomId: "hut" })) {
      seen.push(item)
      break
    }
    equal(seen, roomMessages("hut").slice(0, 1), "items")
    await eventually(async () => (await serverOpenChannels()) === 0, "the client to hang up")
  },

  async "channel error event rejects the iteration"() {
    const seen: unknown[] = []
    const err = tolvErrorOf(await rejectionOf(collect(api.tick(), seen), "tick"))
    equal(seen, [{ event: "message", n: 1 }], "items before the error")
    equal({ tag: err._tag, code: err.code, message: err.message },
      { tag: "TolvStreamError", code: "STREAM_ERROR", message: "clock drift" }, "error")
  },

  async "upload resolves its result and reports progress"() {
    const size = 1024 * 1024
    const progress: api.UploadProgressEvent[] = []
    const result = await api.uploadAvatar({ file: patternFile("p.gif", size), userId: 3 },
      { onProgress: (e) => progress.push(e) })
    equal(result, { fileIds: ["avatar-3-p.gif"], totalBytes: size }, "result")
    checkProgress(progress, size)
    equal(await api.uploadRaw({ file: patternFile("r.bin", 12) }), ["r.bin:12"], "uploadRaw")
  },

  async "upload aborted through its signal rejects with TolvAbortError"() {
    const controller = new AbortController()
    setTimeout(() => controller.abort(), 100)
    const err = tolvErrorOf(await rejectionOf(
      api.uploadRaw({ file: patternFile("hold.bin", 65536) }, { signal: controller.signal }), "uploadRaw"))
    equal(err._tag, "TolvAbortError", "tag")
  },

  async "static URLs resolve with their query"() {
    const url = await api.reportUrl({ year: 2020, format: "txt" })
    equal(url, `${location.origin}/static/report?year_num=2020&fmt=txt`, "url")
    equal(await (await fetch(url)).json(), { handler: "report", query: { year_num: "2020", fmt: "txt" } }, "echo")
    equal(await api.logoUrl(), `${location.origin}/static/logo`, "logoUrl")
  },
})
