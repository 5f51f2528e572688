// Scenarios for the plain promise-based client.
import * as api from "@gen/plain/api"
import {
  check,
  checkProgress,
  equal,
  messageOf,
  patternFile,
  registerScenarios,
  rejectionOf,
  sleep,
  thrownBy,
  waitFor,
} from "./harness"

// The trailing slash must be dropped, so that paths join with one "/".
api.initBridge(`${location.origin}/`)

const progressItem = (i: number, total: number) => ({
  event: "progress",
  step_index: i,
  total_steps: total,
  label: `step ${i} → done`,
})

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
    const user = await api.getUser({ userId: 3 })
    equal(user, { userId: 3, displayName: "Bea", isActive: true, tags: ["ops", "oncall"] }, "getUser")
  },

  async "model argument and array of models are renamed both ways"() {
    const users = await api.listUsers({ filter: { namePrefix: "A", maxResults: 5 } })
    equal(
      users,
      [
        { userId: 1, displayName: "Ada", isActive: true, tags: ["admin"] },
        { userId: 2, displayName: "Alvar", isActive: false, tags: [] },
      ],
      "listUsers",
    )
  },

  async "models nested in arrays inside a model are renamed"() {
    const team = await api.getTeam()
    equal(team.teamName, "Core", "teamName")
    equal(
      team.members.map((m) => [m.userId, m.displayName]),
      [[1, "Ada"], [2, "Alvar"], [3, "Bea"]],
      "members",
    )
  },

  async "void command resolves without a value"() {
    equal(await api.ping(), undefined, "ping")
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

  async "channel delivers every event in order and stops after close"() {
    const channel = api.watchProgress({ totalSteps: 5 })
    const log = listen(channel)
    await waitFor(() => log.closes > 0, "the close event")
    equal(log.items, [1, 2, 3, 4, 5].map((i) => progressItem(i, 5)), "items")
    equal(log.errors, [], "errors")
    // The server keeps the stream open after its close event: closing the
    // channel hangs up, and no further callback runs.
    channel.close()
    channel.close()
    await sleep(100)
    equal(log.closes, 1, "close callbacks")
  },

  async "channel error event reaches onError and reading goes on"() {
    const log = listen(api.failingStream())
    await waitFor(() => log.closes > 0, "the end of the stream")
    equal(log.items, [progressItem(1, 2), progressItem(2, 2)], "items")
    equal(log.errors, [{ code: "STREAM_ERROR", message: "sensor offline" }], "errors")
    await sleep(50)
    equal(log.closes, 1, "close callbacks")
  },

  async "channel refused by the server reports its error body"() {
    const log = listen(api.watchProgress({ totalSteps: 0 }))
    await waitFor(() => log.errors.length > 0, "the error")
    equal(
      log.errors,
      [{ code: "BAD_STEPS", message: "total_steps must be a positive integer", details: { total_steps: 0 } }],
      "errors",
    )
    await sleep(50)
    equal(log.items, [], "items")
    equal(log.closes, 0, "close callbacks")
  },

  async "upload of one file reports progress"() {
    const size = 3 * 1024 * 1024
    const progress: api.UploadProgressEvent[] = []
    const handle = api.uploadAvatar({ file: patternFile("avatar.png", size, "image/png"), userId: 1 })
    check(handle.onProgress((e) => progress.push(e)) === handle, "onProgress chains")
    const receipt = await handle.promise
    equal(
      receipt,
      { fileCount: 1, totalBytes: size, fileNames: ["avatar.png"], receivedArgs: { user_id: 1 } },
      "receipt",
    )
    checkProgress(progress, size)
  },

  async "upload of several files keeps their order and maps model arguments"() {
    const files = [patternFile("a.txt", 10), patternFile("b.txt", 2000), patternFile("c.txt", 0)]
    const receipt = await api.uploadDocuments({
      files,
      folderName: "reports",
      searchHint: { namePrefix: "B", maxResults: 2 },
    }).promise
    equal(
      receipt,
      {
        fileCount: 3,
        totalBytes: 2010,
        fileNames: ["a.txt", "b.txt", "c.txt"],
        receivedArgs: { folder_name: "reports", search_hint: { name_prefix: "B", max_results: 2 } },
      },
      "receipt",
    )
  },

  async "upload of no files sends the arguments only"() {
    const receipt = await api.uploadDocuments({ files: [], folderName: "empty" }).promise
    equal(receipt, { fileCount: 0, totalBytes: 0, fileNames: [], receivedArgs: { folder_name: "empty" } }, "receipt")
  },

  async "upload refused by the server becomes a BridgeRequestError"() {
    const err = await rejectionOf(api.uploadAvatar({ file: patternFile("x.png", 5), userId: 99 }).promise, "upload")
    check(err instanceof api.BridgeRequestError, `BridgeRequestError, got ${messageOf(err)}`)
    equal({ code: err.code, message: err.message, details: err.details },
      { code: "NOT_FOUND", message: "No user with id 99", details: { user_id: 99 } }, "error fields")
  },

  async "aborted upload rejects with Upload aborted"() {
    const handle = api.slowUpload({ file: patternFile("big.bin", 1024 * 1024) })
    setTimeout(() => handle.abort(), 100)
    const err = await rejectionOf(handle.promise, "slowUpload")
    equal(messageOf(err), "Upload aborted", "rejection")
  },

  async "static URL carries its query under source names"() {
    const url = api.downloadReportUrl({ year: 2024, format: "csv" })
    equal(url, `${location.origin}/static/download_report?year_num=2024&file_format=csv`, "url")
    const echoed = await (await fetch(url)).json()
    equal(echoed, { handler: "download_report", query: { year_num: "2024", file_format: "csv" } }, "echo")
    equal(api.downloadReportUrl({ year: 1999 }), `${location.origin}/static/download_report?year_num=1999`,
      "url without the optional argument")
  },

  async "websocket sends mapped payloads and receives server events"() {
    const socket = api.createChatSocket()
    const received: unknown[] = []
    const joined: string[] = []
    const closed: number[] = []
    socket.onMessageReceived((data) => received.push(data))
    const stopJoined = socket.onUserJoined((name) => joined.push(name))
    socket.onDisconnect((event) => closed.push(event.code))
    socket.onError(() => received.push("socket error"))

    const early = thrownBy(() => socket.sendSendMessage({ senderName: "x", messageText: "y" }), "send before connect")
    equal(messageOf(early), "[Tolv] WebSocket is not connected", "send before connect")

    await new Promise<void>((resolve) => {
      socket.onConnect(resolve)
      socket.connect()
    })
    check(socket.isConnected, "connected after the open event")

    // The per-event method maps the payload to source names; events coming
    // back are handed over exactly as the server sent them.
    socket.sendSendMessage({ senderName: "ada", messageText: "hello" })
    await waitFor(() => joined.length === 1, "user_joined")
    equal(received, [{ sender_name: "ada", message_text: "hello" }], "message_received")
    equal(joined, ["ada"], "user_joined")

    // The generic send passes the payload through unchanged.
    stopJoined()
    socket.send("send_message", { senderName: "raw", messageText: "as is" })
    await waitFor(() => received.length === 2, "second message_received")
    equal(received[1], { senderName: "raw", messageText: "as is" }, "generic send payload")
    await sleep(50)
    equal(joined, ["ada"], "removed listener gets nothing")

    socket.disconnect()
    check(!socket.isConnected, "not connected after disconnect")
    await waitFor(() => closed.length === 1, "the close event")
    const late = thrownBy(() => socket.sendSendMessage({ senderName: "x", messageText: "y" }), "send after disconnect")
    equal(messageOf(late), "[Tolv] WebSocket is not connected", "send after disconnect")
  },
})
