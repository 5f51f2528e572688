// Loads the compiled Effect client of the shapes schema and uses it: decodes
// and re-encodes a sample of every model, then calls each command and channel
// against a stand-in fetch that records what is sent and answers with samples.
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
