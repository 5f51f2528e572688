// Fields and parameters named after the members every object inherits, and
// renames that chain (schema.mjs), round-trip through each client on every
// path: command result and arguments, channel items and arguments, upload
// result and `_args`, static-route query, websocket payloads both ways. Each
// is tried with every entry given and with every optional entry left out:
// the server must get exactly the source keys given, the client the wire
// keys given (a key left out may be own and undefined), and neither side an
// inherited member in their place.
//   INHERITED_CLIENTS: client folders, joined by ":".
import assert from "node:assert/strict"
import { test } from "node:test"
import { inspect } from "node:util"
import { Chunk, Effect, Either, Stream } from "effect"
import { BASE, load, log, server } from "../stubs.mjs"
import { schema } from "./schema.mjs"

const clients = (process.env.INHERITED_CLIENTS ?? "").split(":").filter(Boolean)
const { models, endpoints } = schema

// A value as the server has it: keys renamed from wire to source names,
// through nested models and arrays; a key left out stays out.
const toSource = (fields, value) =>
  Object.fromEntries(fields.filter((f) => Object.hasOwn(value, f.wireName))
    .map((f) => [f.sourceName, sourceValue(f.ty, value[f.wireName])]))
const sourceValue = (ty, value) =>
  value === null ? null
  : ty.kind === "array" ? value.map((item) => sourceValue(ty.inner[0], item))
  : ty.kind === "model" ? toSource(models[ty.name].fields, value)
  : value

// A value with every entry given, or only the required ones, as the client
// writes it; each string is its own path, so a value under the wrong key
// shows. A nullable reference back to a model on the path is null.
const sample = (ty, path, all = true, on = []) =>
  ty.kind === "array" ? [sample(ty.inner[0], `${path}.0`, all, on), sample(ty.inner[0], `${path}.1`, all, on)]
  : ty.kind === "model" && ty.nullable && on.includes(ty.name) ? null
  : ty.kind === "model" ? Object.fromEntries(models[ty.name].fields.filter((f) => all || f.required)
    .map((f) => [f.wireName, sample(f.ty, `${path}.${f.wireName}`, all, [...on, ty.name])]))
  : ty.kind === "literal" ? ty.value
  : path

// The box with every entry given, and with its models there but every
// optional entry in them left out; arguments and the static route's query
// likewise.
const BOXES = {
  given: sample({ kind: "model", name: "box" }, "box"),
  "left out": Object.fromEntries(models.box.fields.map((f) => [f.wireName, sample(f.ty, f.wireName, false)])),
}
const params = endpoints.echo.params
const queryParams = endpoints.fetch_file.params
const given = (fields) => Object.fromEntries(fields.map((f) => [f.wireName, sample(f.ty, f.wireName)]))
const ARGS = { given: given(params), "left out": {}, "left out in the box": { box: BOXES["left out"] } }
const QUERIES = { given: given(queryParams), "left out": {} }

// Where `actual` differs from `expected`, key by key: a key that is not own,
// or own and undefined, counts as left out. Anything that is neither JSON
// data nor an object or array of it (a function, Object.prototype) differs.
const isRecord = (value) =>
  typeof value === "object" && value !== null && value !== Object.prototype &&
  [Object.prototype, null].includes(Object.getPrototypeOf(value))
const show = (value) =>
  value instanceof Error
    ? `the error ${[value.name, value.message, value.cause].filter(Boolean).join(": ").replace(/\s*\n\s*/g, " ").slice(0, 300)}`
  : inspect(value, { depth: 0, breakLength: Infinity }).slice(0, 80)
function differences(actual, expected, at = "") {
  const bothArrays = Array.isArray(actual) && Array.isArray(expected)
  if (bothArrays || (isRecord(actual) && isRecord(expected))) {
    const keys = new Set([...Object.keys(actual), ...Object.keys(expected)])
    if (bothArrays) keys.add("length")
    const own = (value, key) => (Object.hasOwn(value, key) ? value[key] : undefined)
    return [...keys].flatMap((key) => differences(own(actual, key), own(expected, key), `${at}.${key}`))
  }
  return Object.is(actual, expected) ? [] : [`${at || "value"}: ${show(actual)}, expected ${show(expected)}`]
}

// Runs what a function returned to its end: { value } or { error }.
async function outcome(call, layer) {
  try {
    const value = call()
    if (Effect.isEffect(value)) {
      const either = await Effect.runPromise(Effect.either(Effect.provide(value, layer)))
      return Either.isRight(either) ? { value: either.right } : { error: either.left }
    }
    return { value: await (value?.promise ?? value) }
  } catch (error) {
    return { error }
  }
}

// The items of a channel (a Stream, an async iterable or a plain channel),
// and the error that ended it, if one did.
async function drain(call, layer) {
  const items = []
  let error
  try {
    const channel = call()
    if (Stream.StreamTypeId in channel) {
      const either = await Effect.runPromise(Effect.either(Stream.runCollect(Stream.provideLayer(channel, layer))))
      if (Either.isRight(either)) items.push(...Chunk.toArray(either.right))
      else error = either.left
    } else if (channel[Symbol.asyncIterator]) {
      for await (const item of channel) items.push(item)
    } else {
      await new Promise((resolve) => {
        channel.subscribe((item) => items.push(item))
        channel.onError((e) => resolve((error = e)))
        channel.onClose(resolve)
      })
    }
  } catch (e) {
    error = e
  }
  // A plain channel adds the event type to an object item.
  return { items: items.map(({ event, ...item }) => item), error }
}

// Until `ready()`, giving the fibers of a stream turns to start.
async function until(ready) {
  for (let i = 0; !ready(); i += 1) {
    if (i > 1000) throw new Error("no listener attached")
    await new Promise(setImmediate)
  }
}

// The websocket of the plain client: one class with on/onBox and send/sendBox.
function plainSocket(api) {
  const socket = api.createLiveSocket()
  socket.connect()
  const stub = log.at(-1).stub
  stub.readyState = 1
  return {
    stub,
    receive: (frames) => {
      const got = { 'on("box")': [], onBox: [] }
      socket.on("box", (data) => got['on("box")'].push(data))
      socket.onBox((data) => got.onBox.push(data))
      for (const frame of frames) {
        try {
          stub.receive("box", frame)
        } catch (error) {
          for (const items of Object.values(got)) items.push(error)
        }
      }
      return got
    },
    senders: { 'send("box")': (data) => socket.send("box", data), sendBox: (data) => socket.sendBox(data) },
  }
}

// The websocket of an Effect client, in either surface: on("box") and send.
async function effectSocket(api, layer) {
  const live = await Effect.runPromise(Effect.provide(api.connectLive(), layer))
  const stub = log.at(-1).stub
  return {
    stub,
    receive: async (frames) => {
      const collected = Effect.runPromise(Effect.either(Stream.runCollect(Stream.take(live.on("box"), frames.length))))
      await until(() => stub.listeners.size > 0)
      for (const frame of frames) stub.receive("box", frame)
      const either = await collected
      return { 'on("box")': Either.isRight(either) ? Chunk.toArray(either.right) : [either.left] }
    },
    senders: { 'send("box")': (data) => live.send("box", data) },
  }
}

for (const dir of clients) {
  test(`${dir.split("/").at(-1)}: inherited names round-trip on every path, given and left out`, async () => {
    const { api, layer } = await load(dir)
    const problems = new Set()
    const check = (what, actual, expected) => {
      const found = differences(actual, expected)
      const more = found.length > 4 ? `; and ${found.length - 4} more` : ""
      if (found.length) problems.add(`${what}: ${found.slice(0, 4).join("; ")}${more}`)
    }
    // The one request a call sent to `path`; a call that sent none says why.
    const request = (what, path, result) => {
      const hits = log.splice(0).filter((hit) => hit.url.includes(path))
      if (hits.length !== 1) problems.add(`${what}: ${hits.length} requests${result.error ? `, ${show(result.error)}` : ""}`)
      return hits[0]
    }
    const file = new File(["x"], "x.txt")

    // Arguments and answers are given or left out apart, so that arguments
    // a call fails on leave the answers still tried in another round.
    const rounds = [["given", "given"], ["given", "left out"], ["left out", "given"], ["left out in the box", "given"]]
    for (const [argsLabel, answerLabel] of rounds) {
      const args = ARGS[argsLabel]
      const sentArgs = toSource(params, args)
      const expected = BOXES[answerLabel]
      const answer = toSource(models.box.fields, expected)
      server.result = () => answer
      server.items = () => [answer, answer]
      log.length = 0
      const sent = `(${argsLabel})`
      const received = `(${answerLabel})`

      const echoed = await outcome(() => api.echo(args), layer)
      const command = request(`command argument ${sent}`, "/command/echo", echoed)
      if (command) {
        check(`command argument ${sent}`, JSON.parse(command.body), sentArgs)
        check(`command result ${received}`, echoed.error ?? echoed.value, expected)
      }

      const watched = await drain(() => api.watch(args), layer)
      const channel = request(`channel argument ${sent}`, "/channel/watch", watched)
      if (channel) {
        check(`channel argument ${sent}`, JSON.parse(channel.body), sentArgs)
        check(`channel items ${received}`, watched.error ? [...watched.items, watched.error] : watched.items, [expected, expected])
      }

      const uploaded = await outcome(() => api.putFile({ ...args, file }), layer)
      const upload = request(`upload ${sent}`, "/upload/put_file", uploaded)
      if (upload) {
        check(`upload _args ${sent}`, JSON.parse(upload.body.get("_args")), sentArgs)
        check(`upload result ${received}`, uploaded.error ?? uploaded.value, expected)
      }
    }

    for (const [label, query] of Object.entries(QUERIES)) {
      const url = await outcome(() => api.fetchFileUrl(query), layer)
      check(`static query (${label})`, url.error ?? Object.fromEntries(new URL(url.value).searchParams),
        toSource(queryParams, query))
    }

    // A socket's frames both ways hold a box: the server's answer one way,
    // the client's own value the other.
    for (const [label, value] of Object.entries(BOXES)) {
      const frame = toSource(models.box.fields, value)
      const socket = await (api.createLiveSocket ? plainSocket(api) : effectSocket(api, layer))
      for (const [how, got] of Object.entries(await socket.receive([frame, frame]))) {
        check(`socket ${how} received (${label})`, got, [value, value])
      }
      for (const [how, send] of Object.entries(socket.senders)) {
        const result = await outcome(() => send(value), layer)
        check(`socket ${how} sent (${label})`, result.error ?? JSON.parse(socket.stub.sent.pop() ?? "null"),
          { event: "box", data: frame })
      }
    }
    await api.disposeTolv?.()
    assert.deepEqual([...problems], [])
  })
}

// A model that moves keys reads a member only from its server key, refuses an
// array (the Effect clients: the plain client checks no shape), and encodes
// no member the value lacks, so a static route can print it. A page in place
// of JSON is no result, even where the result may be undefined.
for (const dir of clients) {
  test(`${dir.split("/").at(-1)}: moved keys keep to the model's members, and a page is no result`, async () => {
    const { api, layer } = await load(dir)
    server.result = () => ({ c: 5, valueOf: 5 })
    const strays = await outcome(() => api.getStrays(), layer)
    assert.deepEqual(differences(strays.error ?? strays.value, {}), [])
    const url = await outcome(() => api.tagPageUrl({ t: {} }), layer)
    assert.deepEqual(url, { value: `${BASE}/static/tag_page?t=%5Bobject+Object%5D` })
    // A FiberFailure names the TolvError it holds.
    const failure = ({ error }) => `${error?._tag} ${error?.name} ${error?.message}`
    server.text = () => "<html>Sign in</html>"
    const page = await outcome(() => api.getTag(), layer)
    server.text = () => undefined
    assert.match(failure(page), api.createLiveSocket ? /Failed to parse response/ : /TolvDecodeError/)
    if (api.createLiveSocket) return
    server.result = () => []
    assert.match(failure(await outcome(() => api.getTag(), layer)), /TolvDecodeError/)
  })
}
