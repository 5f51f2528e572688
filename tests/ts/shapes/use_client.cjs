// Loads the compiled Effect client of the shapes schema and uses it: decodes
// and re-encodes a sample of every model, then calls each command and channel
// against a stand-in fetch that records what is sent and answers with samples,
// and each websocket event against a stand-in WebSocket.
// SHAPES_API_JS: the compiled api.js; SHAPES_SURFACE: "effect" or "promise".
const assert = require("node:assert/strict")
const { Chunk, Effect, Schema, Stream } = require("effect")

const api = require(process.env.SHAPES_API_JS)
const surface = process.env.SHAPES_SURFACE

// Samples as the server sends them (source keys), and as the client sees them.
const bookWire = { book_title: "Dune", written_by: null, tags: ["a", null] }
const bookValue = { title: "Dune", tags: ["a", null] }
const authorWire = {
  author_name: "Frank",
  books: [bookWire],
  books_by_year: { 1965: [bookWire] },
  nick_name: null,
}
const authorValue = { name: "Frank", books: [bookValue], booksByYear: { 1965: [bookValue] } }
const ringWire = { next: { next: { next_ring: null, label: "c" }, label: "b" }, label: "a" }
const ringValue = { next: { next: { label: "c" }, label: "b" }, label: "a" }
const aardvarkWire = { favourite: { ...bookWire, written_by: authorWire }, ring: ringWire.next }
const aardvarkValue = { favourite: { ...bookValue, author: authorValue }, ring: ringValue.next }
const treeWire = { children: [{ children: [], tree_label: null, weights: { 7: null } }], tree_label: "root", weights: null }
const treeValue = { children: [{ children: [], weights: { 7: null } }], label: "root" }

const models = [
  ["Scores", { by_id: { 1: 2.5 }, labels: { 3: null, 4: "x" } }, { byId: { 1: 2.5 }, labels: { 3: null, 4: "x" } }],
  ["Scores", { by_id: {}, labels: null }, { byId: {}, labels: null }],
  ["Author", authorWire, authorValue],
  ["Book", bookWire, bookValue],
  ["RingA", ringWire, ringValue],
  ["RingB", ringWire.next, ringValue.next],
  ["RingC", ringWire.next.next, ringValue.next.next],
  ["Aardvark", aardvarkWire, aardvarkValue],
  ["Shelf", { books: [bookWire], owner: aardvarkWire }, { books: [bookValue], owner: aardvarkValue }],
  ["Tree", treeWire, treeValue],
  ["Abacus", { on_shelf: { books: [], owner: aardvarkWire } }, { shelf: { books: [], owner: aardvarkValue } }],
]
for (const [name, wire, value] of models) {
  const decoded = Schema.decodeUnknownSync(api[name])(wire)
  assert.deepEqual(decoded, value, `decoding ${name}`)
  assert.deepEqual(Schema.decodeUnknownSync(api[name])(Schema.encodeSync(api[name])(decoded)), value, `round trip ${name}`)
}
// An integer-keyed record rejects values of the wrong type, not its string keys.
assert.throws(() => Schema.decodeUnknownSync(api.Scores)({ by_id: { 1: "x" }, labels: null }))

const answers = {
  get_author: authorWire,
  save_book: bookWire,
  get_scores: { by_id: { 2: 1 }, labels: null },
  walk_ring: [ringWire.next, null],
  get_tree: treeWire,
  get_aardvark: aardvarkWire,
  mixed: null,
}
const sent = {}
const fakeFetch = async (url, init) => {
  const name = url.split("/").pop()
  sent[name] = JSON.parse(init.body)
  if (url.includes("/channel/")) {
    const events = `data: ${JSON.stringify(bookWire)}\n\ndata: null\n\nevent: close\ndata: \n\n`
    return new Response(events, { status: 200, headers: { "content-type": "text/event-stream" } })
  }
  return new Response(JSON.stringify({ result: answers[name] }), { status: 200 })
}
// A socket that is open at once and never closes: `receive` hands a frame to
// the message listeners attached at that moment; `attached` counts them all.
class FakeSocket {
  sent = []
  listeners = new Set()
  attached = 0
  constructor(url) {
    this.url = url
  }
  send(text) {
    this.sent.push(JSON.parse(text))
  }
  addEventListener(type, listener) {
    if (type !== "message") return
    this.listeners.add(listener)
    this.attached += 1
  }
  removeEventListener(type, listener) {
    this.listeners.delete(listener)
  }
  receive(event, data) {
    for (const listener of [...this.listeners]) listener({ data: JSON.stringify({ event, data }) })
  }
  close() {}
}
globalThis.WebSocket = FakeSocket
const waitFor = async (ready) => {
  for (let i = 0; !ready(); i += 1) {
    if (i > 1000) throw new Error("no listener attached")
    await new Promise(setImmediate)
  }
}

const config = { baseUrl: "http://shapes.test", fetch: fakeFetch }
const layer = api.layerTolvClient(config)
if (surface === "promise") api.initTolv(config)

const call = (result) => (surface === "effect" ? Effect.runPromise(Effect.provide(result, layer)) : result)
const collect = async (items) => {
  if (surface === "effect") return Chunk.toReadonlyArray(await Effect.runPromise(Stream.runCollect(Stream.provideLayer(items, layer))))
  const out = []
  for await (const item of items) out.push(item)
  return out
}

const main = async () => {
  assert.deepEqual(await call(api.getAuthor({ id: 7 })), authorValue)
  assert.deepEqual(sent.get_author, { author_id: 7 })

  // Models in parameters are encoded back to source keys; absent optional values stay absent.
  const bookSent = { book_title: "Dune", tags: ["a", null] }
  const authorSent = { author_name: "Frank", books: [bookSent], books_by_year: { 1965: [bookSent] } }
  const shelf = { books: [bookValue], owner: aardvarkValue }
  assert.deepEqual(await call(api.saveBook({ book: { ...bookValue, author: authorValue }, shelf })), bookValue)
  assert.deepEqual(sent.save_book, {
    the_book: { ...bookSent, written_by: authorSent },
    on_shelf: {
      books: [bookSent],
      owner: { favourite: { ...bookSent, written_by: authorSent }, ring: { next: { label: "c" }, label: "b" } },
    },
  })
  await call(api.saveBook({ book: bookValue, shelf: null }))
  assert.deepEqual(sent.save_book, { the_book: { book_title: "Dune", tags: ["a", null] }, on_shelf: null })

  assert.deepEqual(await call(api.getScores()), { byId: { 2: 1 }, labels: null })
  assert.deepEqual(await call(api.walkRing({ start: ringValue })), [ringValue.next, null])
  assert.deepEqual(sent.walk_ring, { start: { next: { next: { label: "c" }, label: "b" }, label: "a" } })
  assert.deepEqual(await call(api.getTree({ trees: [treeValue, null] })), treeValue)
  assert.deepEqual(sent.get_tree, { trees: [{ children: [{ children: [], weights: { 7: null } }], tree_label: "root" }, null] })
  assert.deepEqual(await call(api.getAardvark()), aardvarkValue)
  assert.equal(await call(api.mixed()), null)

  assert.deepEqual(await collect(api.bookFeed({ since: null })), [{ ...bookValue }, null])
  assert.deepEqual(sent.book_feed, { since: null })

  // Websocket payloads: each event's own schema decodes what arrives with
  // source keys and encodes what is sent; frames of other events are skipped.
  const live = await Effect.runPromise(Effect.provide(api.connectLive(), layer))
  const socket = live.socket
  // The first item or the failure of a stream, once it listens.
  const listen = async (stream) => {
    const attached = socket.attached + 1
    const head = Effect.runPromise(Effect.either(Stream.runHead(stream)))
    await waitFor(() => socket.attached === attached)
    return { head }
  }
  const serverEvents = [
    ["update", authorWire, authorValue],
    ["books", [bookWire], [bookValue]],
    ["count", 3, 3],
    ["mood", 2, 2],
    ["by_title", { Dune: bookWire, none: null }, { Dune: bookValue, none: null }],
    ["pair", [1, treeWire], [1, treeValue]],
    ["either", bookWire, bookValue],
    ["ping-pong", "pong", "pong"],
    ["tree", treeWire, treeValue],
    ["raw", { any_key: [1] }, { any_key: [1] }],
  ]
  for (const [event, wire, value] of serverEvents) {
    const { head } = await listen(live.on(event))
    socket.receive(event === "raw" ? "update" : "raw", authorWire)
    socket.receive(event, wire)
    assert.deepEqual((await head).right.value, value, `server event ${event}`)
  }
  const { head } = await listen(live.on("update"))
  socket.receive("update", { author_name: 5 })
  const decodeError = (await head).left
  assert.deepEqual([decodeError._tag, decodeError.url], ["TolvDecodeError", "ws://shapes.test/ws/live"])

  const clientEvents = [
    ["ping", "hi", "hi"],
    ["save", { ...bookValue, author: authorValue }, { ...bookSent, written_by: authorSent }],
    ["trees", [treeValue, null], [{ children: [{ children: [], weights: { 7: null } }], tree_label: "root" }, null]],
  ]
  for (const [event, value, wire] of clientEvents) {
    await Effect.runPromise(live.send(event, value))
    assert.deepEqual(socket.sent.pop(), { event, data: wire }, `client event ${event}`)
  }
  const unsent = await Effect.runPromise(Effect.flip(live.send("save", { title: 5 })))
  assert.deepEqual([unsent._tag, unsent.url, socket.sent], ["TolvDecodeError", "ws://shapes.test/ws/live", []])
  if (surface === "promise") await api.disposeTolv()
  console.log(`shapes client (${surface} surface): ok`)
  process.exitCode = 0
}

// A call that never settles leaves Node nothing to wait for, and it would
// exit with 0.
process.exitCode = 1
main().catch((error) => {
  console.error(error)
  process.exit(1)
})
