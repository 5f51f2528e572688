// Scenarios for the Effect client with every endpoint in the Effect surface,
// run with a layer provided by the page.
import { Chunk, Effect, Either, Fiber, Stream } from "effect"
import * as api from "@gen/effect/api"
import { check, checkProgress, equal, patternFile, registerScenarios } from "./harness"

const layer = api.layerTolvClient({ baseUrl: location.origin })

const run = <A, E>(effect: Effect.Effect<A, E, api.TolvClient>): Promise<A> =>
  Effect.runPromise(Effect.provide(effect, layer))

/** Runs an effect that must fail and returns its error. */
async function failureOf<A, E>(effect: Effect.Effect<A, E, api.TolvClient>, what: string): Promise<E> {
  const result = await run(Effect.either(effect))
  if (Either.isRight(result)) throw new Error(`${what}: expected a failure, got ${JSON.stringify(result.right)}`)
  return result.left
}

const progressItem = (i: number, total: number) => ({ stepIndex: i, totalSteps: total, label: `step ${i} → done` })

const waitOpen = (socket: WebSocket) =>
  Effect.async<void>((resume) => {
    if (socket.readyState === WebSocket.OPEN) return resume(Effect.void)
    socket.addEventListener("open", () => resume(Effect.void), { once: true })
  })

registerScenarios({
  async "command decodes the result from source keys"() {
    const user = await run(api.getUser({ userId: 3 }))
    equal(user, { userId: 3, displayName: "Bea", isActive: true, tags: ["ops", "oncall"] }, "getUser")
  },

  async "model argument is encoded and array results decoded"() {
    const users = await run(api.listUsers({ filter: { namePrefix: "A", maxResults: 1 } }))
    equal(users, [{ userId: 1, displayName: "Ada", isActive: true, tags: ["admin"] }], "listUsers")
    const team = await run(api.getTeam())
    equal(team.members.map((m) => m.displayName), ["Ada", "Alvar", "Bea"], "team members")
  },

  async "void command succeeds"() {
    equal(await run(api.ping()), undefined, "ping")
  },

  async "error answer becomes TolvHttpError"() {
    const err = await failureOf(api.getUser({ userId: 99 }), "getUser(99)")
    check(err._tag === "TolvHttpError", `TolvHttpError, got ${err._tag}`)
    equal(
      { status: err.status, code: err.code, message: err.message, details: err.details },
      { status: 404, code: "NOT_FOUND", message: "No user with id 99", details: { user_id: 99 } },
      "error fields",
    )
    check(err.url.endsWith("/command/get_user"), `url ${err.url}`)
  },

  async "malformed answer becomes TolvDecodeError"() {
    const err = await failureOf(api.malformedUser(), "malformedUser")
    check(err._tag === "TolvDecodeError", `TolvDecodeError, got ${err._tag}`)
    check(err.url === `${location.origin}/command/malformed_user`, `url ${err.url}`)
  },

  async "503 answers are retried when asked"() {
    const attemptKey = "effect-retry"
    const fast = { kind: "fixed", delay: "10 millis" } as const
    equal(await run(api.flakyCount({ attemptKey, failTimes: 2 }, { retry: { times: 2, backoff: fast } })), 3,
      "answer on the third attempt")
    equal(await run(api.attemptCount({ attemptKey })), 3, "attempts seen by the server")
  },

  async "calls are not retried by default and retries stop at times"() {
    const once = await failureOf(api.flakyCount({ attemptKey: "effect-once", failTimes: 1 }), "no retry")
    check(once._tag === "TolvHttpError" && once.status === 503, `503 TolvHttpError, got ${once._tag}`)
    equal(await run(api.attemptCount({ attemptKey: "effect-once" })), 1, "attempts without retry")

    const retry = { times: 1, backoff: { kind: "fixed", delay: "10 millis" } } as const
    const twice = await failureOf(api.flakyCount({ attemptKey: "effect-twice", failTimes: 5 }, { retry }), "one retry")
    check(twice._tag === "TolvHttpError" && twice.code === "UNAVAILABLE", `UNAVAILABLE, got ${twice._tag}`)
    equal(await run(api.attemptCount({ attemptKey: "effect-twice" })), 2, "attempts with one retry")
  },

  async "channel stream decodes every item and ends at the close event"() {
    const items = await run(Stream.runCollect(api.watchProgress({ totalSteps: 6 })))
    equal(Chunk.toReadonlyArray(items), [1, 2, 3, 4, 5, 6].map((i) => progressItem(i, 6)), "items")
  },

  async "channel error event fails the stream with TolvStreamError"() {
    const seen: unknown[] = []
    const err = await failureOf(Stream.runForEach(api.failingStream(), (item) => Effect.sync(() => seen.push(item))),
      "failingStream")
    equal(seen, [progressItem(1, 2)], "items before the error")
    check(err._tag === "TolvStreamError", `TolvStreamError, got ${err._tag}`)
    equal({ code: err.code, message: err.message }, { code: "STREAM_ERROR", message: "sensor offline" }, "error")
  },

  async "channel refused by the server fails with TolvHttpError"() {
    const err = await failureOf(Stream.runDrain(api.watchProgress({ totalSteps: 0 })), "watchProgress(0)")
    check(err._tag === "TolvHttpError", `TolvHttpError, got ${err._tag}`)
    equal({ status: err.status, code: err.code }, { status: 400, code: "BAD_STEPS" }, "error")
  },

  async "upload decodes its receipt and reports progress"() {
    const size = 2 * 1024 * 1024 + 17
    const progress: api.UploadProgressEvent[] = []
    const receipt = await run(api.uploadAvatar({ file: patternFile("me.jpg", size) , userId: 2 },
      { onProgress: (e) => progress.push(e) }))
    equal(receipt, { fileCount: 1, totalBytes: size, fileNames: ["me.jpg"], receivedArgs: { user_id: 2 } }, "receipt")
    checkProgress(progress, size)
  },

  async "multi-file upload encodes its model argument"() {
    const receipt = await run(api.uploadDocuments({
      files: [patternFile("one.pdf", 3), patternFile("two.pdf", 4)],
      folderName: "inbox",
      searchHint: { namePrefix: "A", maxResults: 9 },
    }))
    equal(receipt.fileNames, ["one.pdf", "two.pdf"], "file names")
    equal(receipt.receivedArgs, { folder_name: "inbox", search_hint: { name_prefix: "A", max_results: 9 } },
      "arguments")
  },

  async "upload refused by the server fails with TolvUploadError"() {
    const err = await failureOf(api.uploadAvatar({ file: patternFile("x", 1), userId: 99 }), "upload(99)")
    check(err._tag === "TolvUploadError", `TolvUploadError, got ${err._tag}`)
    equal({ handler: err.handler, status: err.status, code: err.code, message: err.message, details: err.details },
      { handler: "upload_avatar", status: 404, code: "NOT_FOUND", message: "No user with id 99",
        details: { user_id: 99 } }, "error")
  },

  async "upload aborted through its signal fails with TolvAbortError"() {
    const controller = new AbortController()
    setTimeout(() => controller.abort(), 100)
    const err = await failureOf(api.slowUpload({ file: patternFile("big.bin", 1024 * 1024) },
      { signal: controller.signal }), "slowUpload")
    check(err._tag === "TolvAbortError", `TolvAbortError, got ${err._tag}`)
  },

  async "interrupting an upload aborts the request"() {
    const result = await run(Effect.either(Effect.timeout(
      api.slowUpload({ file: patternFile("big.bin", 4096) }), "150 millis")))
    check(Either.isLeft(result) && result.left._tag === "TimeoutException", "the upload was cut by the timeout")
  },

  async "static URL carries its query under source names"() {
    const url = await run(api.downloadReportUrl({ year: 2030, format: "pdf" }))
    equal(url, `${location.origin}/static/download_report?year_num=2030&file_format=pdf`, "url")
    equal(await (await fetch(url)).json(), { handler: "download_report", query: { year_num: "2030", file_format: "pdf" } },
      "echo")
    equal(await run(api.downloadReportUrl({ year: 2031, format: undefined })),
      `${location.origin}/static/download_report?year_num=2031`, "url without the optional argument")
  },

  async "websocket send and on stream"() {
    const program = Effect.gen(function* () {
      const chat = yield* api.connectChat()
      yield* waitOpen(chat.socket)
      const messages = yield* Effect.fork(Stream.runCollect(Stream.take(chat.on("message_received"), 2)))
      const joined = yield* Effect.fork(Stream.runCollect(Stream.take(chat.on("user_joined"), 1)))
      // Let both subscriptions attach their listeners before anything is sent.
      yield* Effect.sleep("20 millis")
      // The socket passes payloads through as given, in both directions.
      yield* chat.send("send_message", { senderName: "bo", messageText: "first" })
      yield* chat.send("send_message", { senderName: "bo", messageText: "second" })
      const result = {
        messages: Chunk.toReadonlyArray(yield* Fiber.join(messages)),
        joined: Chunk.toReadonlyArray(yield* Fiber.join(joined)),
      }
      yield* chat.close
      return result
    })
    const { messages, joined } = await run(Effect.timeout(program, "5 seconds"))
    equal(messages, [{ senderName: "bo", messageText: "first" }, { senderName: "bo", messageText: "second" }],
      "message_received")
    equal(joined, ["(unknown)"], "user_joined")
  },

  async "websocket send before the socket opens fails with TolvNetworkError"() {
    const err = await failureOf(Effect.flatMap(api.connectChat(), (chat) =>
      Effect.ensuring(chat.send("send_message", { senderName: "a", messageText: "b" }), chat.close)), "early send")
    check(err._tag === "TolvNetworkError", `TolvNetworkError, got ${err._tag}`)
    check(err.url.endsWith("/ws/chat") && err.url.startsWith("ws://"), `url ${err.url}`)
  },
})
