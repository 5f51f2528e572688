// Scenarios for the Effect client with every endpoint in the Effect surface,
// run with a layer provided by the page.
import { Chunk, Effect, Either, Fiber, Stream } from "effect"
import * as api from "@gen/effect/api"
import { ADA, ALVAR_DECODED, GRID, PRIMITIVES, roomMessages } from "./expected"
import {
  asJson,
  check,
  checkProgress,
  equal,
  eventually,
  flakyHeaders,
  patternFile,
  registerScenarios,
  serverAttempts,
  serverOpenChannels,
  serverUploads,
  slowHeaders,
} from "./harness"

const layer = api.layerTolvClient({ baseUrl: location.origin })

const run = <A, E>(effect: Effect.Effect<A, E, api.TolvClient>): Promise<A> =>
  Effect.runPromise(Effect.provide(effect, layer))

/** Runs an effect that must fail and returns its error. */
async function failureOf<A, E>(effect: Effect.Effect<A, E, api.TolvClient>, what: string): Promise<E> {
  const result = await run(Effect.either(effect))
  if (Either.isRight(result)) throw new Error(`${what}: expected a failure, got ${JSON.stringify(result.right)}`)
  return result.left
}

const collect = <A, E>(stream: Stream.Stream<A, E, api.TolvClient>) =>
  Effect.map(Stream.runCollect(stream), Chunk.toReadonlyArray)

const waitOpen = (socket: WebSocket) =>
  Effect.async<void>((resume) => {
    if (socket.readyState === WebSocket.OPEN) return resume(Effect.void)
    socket.addEventListener("open", () => resume(Effect.void), { once: true })
  })

const fastRetry = (times: number) => ({ times, backoff: { kind: "fixed", delay: "10 millis" } }) as const

registerScenarios({
  async "command decodes the result from source keys"() {
    equal(asJson(await run(api.getUser({ userId: 1 }))), ADA, "getUser(1)")
    // Missing optional fields and a null nullable model are accepted.
    equal(asJson(await run(api.getUser({ userId: 4 }))),
      { userId: 4, displayName: "Cyd", nickname: null, role: "member", tags: [], metadata: {}, status: null },
      "getUser(4)")
  },

  async "model arguments are encoded and pages of models decoded"() {
    const filter = { maxItems: 5, query: "A", sort: "desc", includeDeleted: undefined, range: { fromIndex: 0, toIndex: 10 } } as const
    equal(asJson(await run(api.listUsers({ filter, limit: null }))), { items: [ALVAR_DECODED, ADA], nextCursor: null, totalCount: 2 },
      "listUsers")
  },

  async "three levels of arrays of models are encoded and decoded"() {
    equal(await run(api.getGrid()), GRID, "getGrid")
    equal(await run(api.putGrid({ cells: GRID })), undefined, "putGrid")
  },

  async "results of other shapes decode"() {
    equal(await run(api.getPair()), ["pair", 2], "getPair")
    equal(await run(api.getScores()), { ada: 9.5, bea: 7 }, "getScores")
    equal(await run(api.echoAny({ value: [1, { x: null }] })), [1, { x: null }], "echoAny")
    equal(await run(api.setTags({ tags: ["a"], priority: 1, mode: "replace" })), true, "setTags")
    equal(await run(api.ping()), undefined, "ping")
    equal(await run(api.getEmpty({ empty: {} })), {}, "getEmpty")
    equal(asJson(await run(api.getPrimitives())), PRIMITIVES, "getPrimitives")
  },

  async "error answer becomes TolvHttpError"() {
    const err = await failureOf(api.getUser({ userId: 99 }), "getUser(99)")
    check(err._tag === "TolvHttpError", `TolvHttpError, got ${err._tag}`)
    equal(
      { url: err.url, status: err.status, code: err.code, message: err.message, details: err.details },
      { url: `${location.origin}/command/get_user`, status: 404, code: "NOT_FOUND", message: "No user with id 99",
        details: { user_id: 99 } },
      "error fields",
    )
  },

  async "malformed answer becomes TolvDecodeError"() {
    const err = await failureOf(api.getUser({ userId: 13 }), "getUser(13)")
    check(err._tag === "TolvDecodeError", `TolvDecodeError, got ${err._tag}`)
    equal(err.url, `${location.origin}/command/get_user`, "url")
  },

  async "503 answers are retried when asked"() {
    const key = "effect-retry"
    equal((await run(api.getUser({ userId: 2 }, { retry: fastRetry(2), headers: flakyHeaders(key, 2) }))).displayName,
      "Alvar", "answer on the third attempt")
    equal(await serverAttempts(key), 3, "attempts seen by the server")
  },

  async "calls are not retried by default and retries stop at times"() {
    const once = await failureOf(api.ping({ headers: flakyHeaders("effect-once", 1) }), "no retry")
    check(once._tag === "TolvHttpError" && once.status === 503, `503 TolvHttpError, got ${once._tag}`)
    equal(await serverAttempts("effect-once"), 1, "attempts without retry")

    const twice = await failureOf(api.ping({ retry: fastRetry(1), headers: flakyHeaders("effect-twice", 5) }), "one retry")
    check(twice._tag === "TolvHttpError" && twice.code === "UNAVAILABLE", `UNAVAILABLE, got ${twice._tag}`)
    equal(await serverAttempts("effect-twice"), 2, "attempts with one retry")

    // Client errors are not worth another attempt.
    const notFound = await failureOf(api.getUser({ userId: 99 }, { retry: fastRetry(3) }), "404 with retries")
    check(notFound._tag === "TolvHttpError" && notFound.status === 404, `404, got ${notFound._tag}`)
  },

  async "a slow answer fails with TolvTimeoutError"() {
    const err = await failureOf(api.ping({ timeout: "100 millis", headers: slowHeaders(2000) }), "slow ping")
    check(err._tag === "TolvTimeoutError", `TolvTimeoutError, got ${err._tag}`)
    equal({ url: err.url, durationMs: err.durationMs }, { url: `${location.origin}/command/ping`, durationMs: 100 }, "error")
  },

  async "a call whose signal is aborted fails with TolvAbortError"() {
    const before = new AbortController()
    before.abort()
    const early = await failureOf(api.ping({ signal: before.signal }), "aborted before the call")
    check(early._tag === "TolvAbortError", `TolvAbortError, got ${early._tag}`)
    const during = new AbortController()
    setTimeout(() => during.abort(), 100)
    const late = await failureOf(api.ping({ signal: during.signal, headers: slowHeaders(2000) }), "aborted during the call")
    check(late._tag === "TolvAbortError", `TolvAbortError, got ${late._tag}`)
  },

  async "channel stream decodes every item and ends at the close event"() {
    equal(await run(collect(api.watchMessages({ roomId: "hall" }))), roomMessages("hall"), "items")
    await eventually(async () => (await serverOpenChannels()) === 0, "the client to hang up after the close event")
  },

  async "taking the first items of a channel hangs it up"() {
    equal(await run(collect(Stream.take(api.watchMessages({ roomId: "nook" }), 2))), roomMessages("nook").slice(0, 2),
      "items")
    await eventually(async () => (await serverOpenChannels()) === 0, "the client to hang up")
  },

  async "channel error event fails the stream with TolvStreamError"() {
    const seen: unknown[] = []
    const err = await failureOf(Stream.runForEach(api.tick(), (item) => Effect.sync(() => seen.push(item))), "tick")
    equal(seen, [{ event: "message", n: 1 }], "items before the error")
    check(err._tag === "TolvStreamError", `TolvStreamError, got ${err._tag}`)
    equal({ code: err.code, message: err.message }, { code: "STREAM_ERROR", message: "clock drift" }, "error")
  },

  async "channel items that are not objects decode as they are"() {
    equal(await run(collect(api.progress())), [10, 50, null, 100], "items")
  },

  async "channel refused by the server fails with TolvHttpError"() {
    const err = await failureOf(Stream.runDrain(api.watchMessages({ roomId: "locked" })), "locked room")
    check(err._tag === "TolvHttpError", `TolvHttpError, got ${err._tag}`)
    equal({ status: err.status, code: err.code, details: err.details },
      { status: 403, code: "ROOM_LOCKED", details: { room_id: "locked" } }, "error")
  },

  async "upload decodes its result and reports progress"() {
    const size = 2 * 1024 * 1024 + 17
    const progress: api.UploadProgressEvent[] = []
    const result = await run(api.uploadAvatar({ file: patternFile("me.jpg", size), userId: 2 },
      { onProgress: (e) => progress.push(e) }))
    equal(result, { fileIds: ["avatar-2-me.jpg"], totalBytes: size }, "result")
    checkProgress(progress, size)
  },

  async "multi-file upload sends every file and its arguments"() {
    const files = [patternFile("one.pdf", 3), patternFile("two.pdf", 4)]
    equal(await run(api.uploadDocuments({ files, folder: "inbox" })), undefined, "result")
    const seen = (await serverUploads()).at(-1)
    equal(seen && [seen.files.map((f) => f.name), seen.args], [["one.pdf", "two.pdf"], { folder_name: "inbox" }],
      "what the server received")
  },

  async "upload refused by the server fails with TolvUploadError"() {
    const err = await failureOf(api.uploadAvatar({ file: patternFile("x", 1), userId: 99 }), "upload(99)")
    check(err._tag === "TolvUploadError", `TolvUploadError, got ${err._tag}`)
    equal({ handler: err.handler, status: err.status, code: err.code, message: err.message, details: err.details },
      { handler: "upload_avatar", status: 404, code: "NOT_FOUND", message: "No user with id 99", details: { user_id: 99 } },
      "error")
  },

  async "upload aborted through its signal fails with TolvAbortError"() {
    const controller = new AbortController()
    setTimeout(() => controller.abort(), 100)
    const err = await failureOf(api.uploadRaw({ file: patternFile("hold.bin", 1024 * 1024) },
      { signal: controller.signal }), "uploadRaw")
    check(err._tag === "TolvAbortError", `TolvAbortError, got ${err._tag}`)
  },

  async "interrupting an upload aborts its request"() {
    const result = await run(Effect.either(Effect.timeout(api.uploadRaw({ file: patternFile("hold.bin", 4096) }), "150 millis")))
    check(Either.isLeft(result) && result.left._tag === "TimeoutException", "the upload was cut by the timeout")
  },

  async "static URLs carry their query under source names"() {
    const url = await run(api.reportUrl({ year: 2030, format: "pdf" }))
    equal(url, `${location.origin}/static/report?year_num=2030&fmt=pdf`, "url")
    equal(await (await fetch(url)).json(), { handler: "report", query: { year_num: "2030", fmt: "pdf" } }, "echo")
    equal(await run(api.reportUrl({ year: 2031 })), `${location.origin}/static/report?year_num=2031`,
      "without the optional argument")
    equal(await run(api.logoUrl()), `${location.origin}/static/logo`, "without arguments")
  },

  async "websocket send and on stream"() {
    const program = Effect.gen(function* () {
      const chat = yield* api.connectChat()
      yield* waitOpen(chat.socket)
      const messages = yield* Effect.fork(collect(Stream.take(chat.on("message"), 2)))
      const joined = yield* Effect.fork(collect(Stream.take(chat.on("user_joined"), 2)))
      const typing = yield* Effect.fork(collect(Stream.take(chat.on("typing"), 1)))
      // Let the subscriptions attach their listeners before anything is sent.
      yield* Effect.sleep("20 millis")
      // Payloads go out with source keys: the backend echoes the message and
      // names its sender from "sender_name"; what comes back has wire keys.
      yield* chat.send("send_message", { senderName: "bo", text: "first", sentAt: 1, priority: undefined })
      yield* chat.send("typing", false)
      // A value that does not encode is refused before anything is sent.
      const refused = yield* Effect.flip(chat.send("send_message", { sender_name: "bo", text: "x", sent_at: 2 } as never))
      yield* chat.send("send_message", { senderName: "cy", text: "second", sentAt: 2, priority: 3 })
      const result = {
        messages: yield* Fiber.join(messages),
        joined: yield* Fiber.join(joined),
        typing: yield* Fiber.join(typing),
        refused,
      }
      yield* chat.close
      return result
    })
    const { messages, joined, typing, refused } = await run(Effect.timeout(program, "5 seconds"))
    equal(asJson(messages), [{ senderName: "bo", text: "first", sentAt: 1 }, { senderName: "cy", text: "second", sentAt: 2, priority: 3 }],
      "message")
    equal(joined, ["bo", "cy"], "user_joined")
    equal(typing, [null], "typing")
    check(refused._tag === "TolvDecodeError", `TolvDecodeError, got ${refused._tag}`)
    equal(refused.url, `${location.origin.replace(/^http/, "ws")}/ws/chat`, "url")
  },

  async "websocket send before the socket opens fails with TolvNetworkError"() {
    const err = await failureOf(Effect.flatMap(api.connectChat(), (chat) =>
      Effect.ensuring(chat.send("typing", true), chat.close)), "early send")
    check(err._tag === "TolvNetworkError", `TolvNetworkError, got ${err._tag}`)
    equal(err.url, `${location.origin.replace(/^http/, "ws")}/ws/chat`, "url")
  },

  async "websocket close ends the streams and refuses sends; a dropped connection fails them"() {
    const program = Effect.gen(function* () {
      const chat = yield* api.connectChat()
      yield* waitOpen(chat.socket)
      const messages = yield* Effect.fork(collect(chat.on("message")))
      const joined = yield* Effect.fork(Stream.runHead(chat.on("user_joined")))
      yield* Effect.sleep("20 millis")
      yield* chat.send("send_message", { senderName: "bo", text: "last", sentAt: 1, priority: undefined })
      yield* Fiber.join(joined)
      yield* chat.close
      const closing = yield* Effect.flip(chat.send("typing", true))
      const received = yield* Fiber.join(messages)
      const refused = [closing, yield* Effect.flip(chat.send("typing", true))]
      const afterClose = yield* collect(chat.on("message"))
      const dropped = yield* api.connectChat()
      yield* waitOpen(dropped.socket)
      const failed = yield* Effect.fork(Effect.flip(Stream.runDrain(dropped.on("message"))))
      yield* Effect.sleep("20 millis")
      dropped.socket.send(JSON.stringify({ event: "test_drop" }))
      return { received, refused, afterClose, drop: yield* Fiber.join(failed) }
    })
    const { received, refused, afterClose, drop } = await run(Effect.timeout(program, "5 seconds"))
    equal([asJson(received), afterClose], [[{ senderName: "bo", text: "last", sentAt: 1 }], []], "frames, none after close")
    equal(refused.map((e) => `${e._tag}: ${e.cause}`),
      ["TolvNetworkError: WebSocket is closing", "TolvNetworkError: WebSocket is closed"], "sends after close")
    check(drop._tag === "TolvNetworkError" && drop.cause instanceof CloseEvent && !drop.cause.wasClean,
      `TolvNetworkError with the close event, got ${drop._tag}`)
  },
})
