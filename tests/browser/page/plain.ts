// Scenarios for the plain promise-based client.
import * as api from "@gen/plain/api"
import { ADA, ALVAR, GRID, PRIMITIVES, channelRoomMessages } from "./expected"
import {
  asJson,
  check,
  checkProgress,
  equal,
  eventually,
  messageOf,
  patternFile,
  registerScenarios,
  rejectionOf,
  serverOpenChannels,
  serverUploads,
  sleep,
  thrownBy,
  waitFor,
} from "./harness"

// The trailing slash must be dropped, so that paths join with one "/".
api.initBridge(`${location.origin}/`)

interface ChannelLog<T> {
  items: T[]
  errors: unknown[]
  closes: number
}

function listen<T>(channel: api.BridgeChannel<T>): ChannelLog<T> {
  const log: ChannelLog<T> = { items: [], errors: [], closes: 0 }
  channel.subscribe((item) => log.items.push(item))
  channel.onError((error) => log.errors.push(error))
  channel.onClose(() => log.closes++)
  return log
}

registerScenarios({
  async "command sends source names and answers wire names"() {
    equal(await api.getUser({ userId: 1 }), ADA, "getUser(1)")
  },

  async "model arguments and pages of models are renamed both ways"() {
    const page = await api.listUsers({
      filter: { maxItems: 5, query: "A", sort: "desc", includeDeleted: false, range: { fromIndex: 0, toIndex: 10 } },
      limit: null,
    })
    equal(asJson(page), { items: [ALVAR, ADA], nextCursor: null, totalCount: 2 }, "first page")
    const next = await api.listUsers({
      filter: { maxItems: 1, sort: "asc", range: { fromIndex: 0, toIndex: 10 } },
      cursor: "1",
      limit: 5,
    })
    equal(asJson(next), { items: [ALVAR], nextCursor: "2", totalCount: 4 }, "page from a cursor")
  },

  async "three levels of arrays of models are renamed both ways"() {
    equal(await api.getGrid(), GRID, "getGrid")
    // The server refuses cells that do not use its own key names.
    equal(await api.putGrid({ cells: GRID as api.Cell[][][] }), undefined, "putGrid")
  },

  async "results without models pass through unchanged"() {
    equal(await api.getPair(), ["pair", 2], "getPair")
    equal(await api.getScores(), { ada: 9.5, bea: 7 }, "getScores")
    equal(await api.echoAny({ value: { deep: [1, { x: null }] } }), { deep: [1, { x: null }] }, "echoAny")
    equal(await api.setTags({ tags: ["a"], priority: 2, mode: "replace" }), true, "setTags")
    equal(await api.setTags({ tags: [], priority: 3, mode: "replace", note: null }), null, "setTags with a null note")
    equal(await api.ping(), undefined, "ping")
    equal(await api.getEmpty({ empty: {} }), {}, "getEmpty")
    equal(asJson(await api.getPrimitives()), PRIMITIVES, "getPrimitives")
  },

  async "server error becomes a BridgeRequestError"() {
    const err = await rejectionOf(api.getUser({ userId: 99 }), "getUser(99)")
    check(err instanceof api.BridgeRequestError, `BridgeRequestError, got ${messageOf(err)}`)
    equal(
      { name: err.name, code: err.code, message: err.message, details: err.details },
      { name: "BridgeRequestError", code: "NOT_FOUND", message: "No user with id 99", details: { user_id: 99 } },
      "error fields",
    )
  },

  async "a nullable model field answered as null stays null"() {
    const user = await api.getUser({ userId: 4 })
    equal(user.profile, null, "profile")
  },

  async "channel delivers every event in order and stops after close"() {
    const channel = api.watchMessages({ roomId: "lobby" })
    const log = listen(channel)
    await waitFor(() => log.closes > 0, "the close event")
    // Items arrive with the client's keys, with the event type added.
    equal(log.items, channelRoomMessages("lobby"), "items")
    equal(log.errors, [], "errors")
    // The server keeps the stream open after its close event: closing the
    // channel hangs up, and no further callback runs.
    channel.close()
    channel.close()
    await eventually(async () => (await serverOpenChannels()) === 0, "the server to see the channel closed")
    await sleep(50)
    equal(log.closes, 1, "close callbacks")
  },

  async "channel error event reaches onError and reading goes on"() {
    const log = listen(api.tick())
    await waitFor(() => log.closes > 0, "the end of the stream")
    // The data's own "event" member wins over the event type; the last event
    // lacks its blank line and is never delivered.
    equal(log.items, [{ event: "message", n: 1 }, { event: "own", n: 2 }], "items")
    equal(log.errors, [{ code: "STREAM_ERROR", message: "clock drift" }], "errors")
    await sleep(50)
    equal(log.closes, 1, "close callbacks")
  },

  async "channel items that are not objects arrive as they are"() {
    const log = listen(api.progress())
    await waitFor(() => log.closes > 0, "the end of the stream")
    equal(log.items, [10, 50, null, 100], "items")
  },

  async "channel refused by the server reports its error body"() {
    const log = listen(api.watchMessages({ roomId: "locked" }))
    await waitFor(() => log.errors.length > 0, "the error")
    equal(log.errors, [{ code: "ROOM_LOCKED", message: "Room locked is closed", details: { room_id: "locked" } }], "errors")
    await sleep(50)
    equal(log.items, [], "items")
    equal(log.closes, 0, "close callbacks")
  },

  async "upload of one file reports progress"() {
    const size = 3 * 1024 * 1024
    const progress: api.UploadProgressEvent[] = []
    const handle = api.uploadAvatar({ file: patternFile("avatar.png", size, "image/png"), userId: 1 })
    check(handle.onProgress((e) => progress.push(e)) === handle, "onProgress chains")
    equal(await handle.promise, { fileIds: ["avatar-1-avatar.png"], totalBytes: size }, "result")
    checkProgress(progress, size)
    const seen = (await serverUploads()).at(-1)
    equal(seen, { handler: "upload_avatar", files: [{ name: "avatar.png", size, type: "image/png" }], args: { user_id: 1 } },
      "what the server received")
  },

  async "upload of several files keeps their order"() {
    const files = [patternFile("a.txt", 10, "text/plain"), patternFile("b.txt", 2000, "text/plain"), patternFile("c.txt", 0, "text/plain")]
    equal(await api.uploadDocuments({ files, folder: "reports" }).promise, undefined, "result")
    equal((await serverUploads()).at(-1), {
      handler: "upload_documents",
      files: [{ name: "a.txt", size: 10, type: "text/plain" }, { name: "b.txt", size: 2000, type: "text/plain" },
        { name: "c.txt", size: 0, type: "text/plain" }],
      args: { folder_name: "reports" },
    }, "what the server received")
  },

  async "upload of no files sends the arguments only"() {
    equal(await api.uploadDocuments({ files: [] }).promise, undefined, "result")
    equal((await serverUploads()).at(-1), { handler: "upload_documents", files: [], args: {} }, "what the server received")
  },

  async "upload refused by the server becomes a BridgeRequestError"() {
    const err = await rejectionOf(api.uploadAvatar({ file: patternFile("x.png", 5), userId: 99 }).promise, "upload")
    check(err instanceof api.BridgeRequestError, `BridgeRequestError, got ${messageOf(err)}`)
    equal({ code: err.code, message: err.message, details: err.details },
      { code: "NOT_FOUND", message: "No user with id 99", details: { user_id: 99 } }, "error fields")
  },

  async "aborted upload rejects with Upload aborted"() {
    const handle = api.uploadRaw({ file: patternFile("hold.bin", 1024 * 1024) })
    setTimeout(() => handle.abort(), 100)
    equal(messageOf(await rejectionOf(handle.promise, "uploadRaw")), "Upload aborted", "rejection")
  },

  async "static URLs carry their query under source names"() {
    const url = api.reportUrl({ year: 2024, format: "csv" })
    equal(url, `${location.origin}/static/report?year_num=2024&fmt=csv`, "url")
    equal(await (await fetch(url)).json(), { handler: "report", query: { year_num: "2024", fmt: "csv" } }, "echo")
    equal(api.reportUrl({ year: 1999 }), `${location.origin}/static/report?year_num=1999`, "without the optional argument")
    equal(api.logoUrl(), `${location.origin}/static/logo`, "without arguments")
  },

  async "websocket sends mapped payloads and receives server events"() {
    const socket = api.createChatSocket()
    const received: unknown[] = []
    const joined: string[] = []
    const typing: Array<string | null> = []
    const closed: number[] = []
    const generic: unknown[] = []
    socket.onMessage((data) => received.push(data))
    socket.on("message", (data) => generic.push(data))
    const stopJoined = socket.onUserJoined((name) => joined.push(name))
    socket.onTyping((who) => typing.push(who))
    socket.onDisconnect((event) => closed.push(event.code))
    socket.onError(() => received.push("socket error"))

    const early = thrownBy(() => socket.sendSendMessage({ senderName: "x", text: "y", sentAt: 0 }), "send before connect")
    equal(messageOf(early), "[Tolv] WebSocket is not connected", "send before connect")

    await new Promise<void>((resolve) => {
      socket.onConnect(resolve)
      socket.connect()
    })
    check(socket.isConnected, "connected after the open event")

    // Payloads go out with source names (the server echoes the message as
    // it got it) and come back to every listener with wire names.
    socket.sendSendMessage({ senderName: "ada", text: "hello", sentAt: 5, priority: 1 })
    socket.sendTyping(true)
    await waitFor(() => joined.length === 1 && typing.length === 1, "user_joined and typing")
    equal(received, [{ senderName: "ada", text: "hello", sentAt: 5, priority: 1 }], "message")
    equal(joined, ["ada"], "user_joined")
    equal(typing, ["someone"], "typing")

    // The generic send converts as the per-event one does.
    stopJoined()
    socket.send("send_message", { senderName: "raw", text: "converted", sentAt: 6 })
    await waitFor(() => received.length === 2, "second message")
    equal(received[1], { senderName: "raw", text: "converted", sentAt: 6, priority: undefined }, "generic send payload")
    equal(generic, received, "the generic listener")
    await sleep(50)
    equal(joined, ["ada"], "a removed listener gets nothing")

    socket.disconnect()
    check(!socket.isConnected, "not connected after disconnect")
    await waitFor(() => closed.length === 1, "the close event")
    const late = thrownBy(() => socket.sendTyping(false), "send after disconnect")
    equal(messageOf(late), "[Tolv] WebSocket is not connected", "send after disconnect")
  },
})
