// Scenarios for the Effect client generated with the Promise surface: calls
// return promises run on the runtime installed by initTolv, channels are
// async iterables.
import { Cause, Runtime } from "effect"
import * as api from "@gen/promise/api"
import { check, checkProgress, equal, messageOf, patternFile, registerScenarios, rejectionOf, thrownBy } from "./harness"

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

const progressItem = (i: number, total: number) => ({ stepIndex: i, totalSteps: total, label: `step ${i} → done` })

registerScenarios({
  async "calls before initTolv fail, and work again after it"() {
    await api.disposeTolv()
    await api.disposeTolv()
    try {
      equal(messageOf(thrownBy(() => api.getUser({ userId: 1 }), "getUser")), NOT_INITIALISED, "command")
      const iterable = api.watchProgress({ totalSteps: 1 })
      equal(messageOf(await rejectionOf(collect(iterable), "channel iteration")), NOT_INITIALISED, "channel")
    } finally {
      init()
    }
    equal((await api.getUser({ userId: 1 })).displayName, "Ada", "after initTolv")
  },

  async "command decodes results and encodes model arguments"() {
    equal(await api.getUser({ userId: 2 }), { userId: 2, displayName: "Alvar", isActive: false, tags: [] }, "getUser")
    const users = await api.listUsers({ filter: { namePrefix: "B", maxResults: 3 } })
    equal(users.map((u) => u.userId), [3], "listUsers")
  },

  async "error answer rejects with TolvHttpError"() {
    const err = tolvErrorOf(await rejectionOf(api.getUser({ userId: 99 }), "getUser(99)"))
    equal({ tag: err._tag, status: err.status, code: err.code, message: err.message, details: err.details },
      { tag: "TolvHttpError", status: 404, code: "NOT_FOUND", message: "No user with id 99", details: { user_id: 99 } },
      "error")
  },

  async "malformed answer rejects with TolvDecodeError"() {
    const err = tolvErrorOf(await rejectionOf(api.malformedUser(), "malformedUser"))
    equal(err._tag, "TolvDecodeError", "tag")
  },

  async "503 answers are retried with retry times 2"() {
    const attemptKey = "promise-retry"
    equal(await api.flakyCount({ attemptKey, failTimes: 2 }, { retry: { times: 2 } }), 3, "answer")
    equal(await api.attemptCount({ attemptKey }), 3, "attempts seen by the server")
  },

  async "channel is an async iterable of decoded items"() {
    equal(await collect(api.watchProgress({ totalSteps: 3 })), [1, 2, 3].map((i) => progressItem(i, 3)), "items")
  },

  async "channel error event rejects the iteration"() {
    const seen: unknown[] = []
    const err = tolvErrorOf(await rejectionOf(collect(api.failingStream(), seen), "failingStream"))
    equal(seen, [progressItem(1, 2)], "items before the error")
    equal({ tag: err._tag, code: err.code, message: err.message },
      { tag: "TolvStreamError", code: "STREAM_ERROR", message: "sensor offline" }, "error")
  },

  async "upload resolves its receipt and reports progress"() {
    const size = 1024 * 1024
    const progress: api.UploadProgressEvent[] = []
    const receipt = await api.uploadAvatar({ file: patternFile("p.gif", size), userId: 3 },
      { onProgress: (e) => progress.push(e) })
    equal(receipt, { fileCount: 1, totalBytes: size, fileNames: ["p.gif"], receivedArgs: { user_id: 3 } }, "receipt")
    checkProgress(progress, size)
  },

  async "upload aborted through its signal rejects with TolvAbortError"() {
    const controller = new AbortController()
    setTimeout(() => controller.abort(), 100)
    const err = tolvErrorOf(await rejectionOf(
      api.slowUpload({ file: patternFile("big.bin", 65536) }, { signal: controller.signal }), "slowUpload"))
    equal(err._tag, "TolvAbortError", "tag")
  },

  async "static URL resolves with its query"() {
    const url = await api.downloadReportUrl({ year: 2020, format: "txt" })
    equal(url, `${location.origin}/static/download_report?year_num=2020&file_format=txt`, "url")
    check((await fetch(url)).ok, "the URL is served")
  },
})
