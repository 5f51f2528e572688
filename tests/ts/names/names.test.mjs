// Loads each client generated from schema.json with the stubs of ../stubs.mjs
// (the import must settle: an export `then` would make the module a thenable),
// calls every endpoint function it exports and checks that each schema
// endpoint is reached once, at its exact name, with its arguments under their
// source names, that the runtime values it re-exports stay the runtime's,
// and that no text from the schema ran.
//   NAMES_SCHEMA: the schema; NAMES_CLIENTS: client folders, joined by ":";
//   NAMES_EXPECTED: the labels of the clients that should be here.
import assert from "node:assert/strict"
import { readFileSync } from "node:fs"
import { basename } from "node:path"
import { test } from "node:test"
import { Chunk, Effect, Exit, Schema, Stream } from "effect"
import { BASE, load, log, server } from "../stubs.mjs"

const schema = JSON.parse(readFileSync(process.env.NAMES_SCHEMA, "utf8"))
const clients = (process.env.NAMES_CLIENTS ?? "").split(":").filter(Boolean)
const endpoints = Object.values(schema.endpoints)
const models = schema.models

// Every channel sends one item: 42.
server.items = () => [42]

const PATHS = { rpc: "command", channel: "channel", upload: "upload", static: "static", ws: "ws" }

// The runtime values each client exports again, every one also the name of a
// schema endpoint: the endpoint steps aside as `${name}_`, so the name stays
// the runtime's. A name another client re-exports stays the endpoint's.
// (tolv_client is a model, which keeps the name TolvClient from the runtime.)
const EFFECT_VALUES = ["initTolv", "layerTolvClient", "disposeTolv", "TolvNetworkError", "TolvHttpError",
  "TolvTimeoutError", "TolvDecodeError", "TolvAbortError", "TolvStreamError", "TolvUploadError", "toAsyncIterable"]
const REEXPORTED = {
  plain: ["initBridge", "BridgeRequestError"],
  effect_effect: EFFECT_VALUES,
  effect_promise: [...EFFECT_VALUES, "runPromise"],
}

// One value per type; nullable models are null, so the 20-level chain stays small.
const sample = (ty) =>
  ty.nullable ? null
  : ty.kind === "model" ? Object.fromEntries((models[ty.name].fields ?? []).map((f) => [f.wireName, sample(f.ty)]))
  : ty.name === "int" ? 7
  : "s"
// The value the backend should receive: keys renamed from wire to source names.
// Object.fromEntries keeps a key "__proto__" as an own member.
const toSource = (ty, value) =>
  value === null || ty.kind !== "model" ? value
  : Object.fromEntries((models[ty.name].fields ?? []).map((f) => [f.sourceName, toSource(f.ty, value[f.wireName])]))
const sentArgs = (endpoint) =>
  Object.fromEntries((endpoint.params ?? []).map((p) => [p.sourceName, toSource(p.ty, sample(p.ty))]))

// One argument object for every function: each parameter's wire name is
// unique in the schema, and none is a name of CallOptions, which the Effect
// functions without parameters receive it as.
const args = { file: new File(["x"], "x.txt"), files: [new File(["a"], "a.txt"), new File(["b"], "b.txt")] }
for (const endpoint of endpoints) {
  for (const p of endpoint.params ?? []) {
    assert.ok(!(p.wireName in args), `wire name ${JSON.stringify(p.wireName)} is used twice`)
    args[p.wireName] = sample(p.ty)
  }
}

// Runs what an endpoint function returned far enough to send its request.
async function drive(value, layer) {
  if (typeof value === "string") return { url: value }
  if (Effect.isEffect(value)) {
    const exit = await Effect.runPromiseExit(Effect.provide(value, layer))
    return Exit.isSuccess(exit) && typeof exit.value === "string" ? { url: exit.value } : {}
  }
  if (typeof value === "object" && value !== null && Stream.StreamTypeId in value) {
    const exit = await Effect.runPromiseExit(Effect.provide(Stream.runCollect(value), layer))
    return { items: Exit.isSuccess(exit) ? Chunk.toArray(exit.value) : [] }
  }
  if (value?.[Symbol.asyncIterator]) {
    const items = []
    try {
      for await (const item of value) items.push(item)
    } catch {
      // A failed item: the request was sent all the same.
    }
    return { items }
  }
  if (typeof value?.then === "function") {
    const result = await value.then((v) => v, () => undefined)
    return typeof result === "string" ? { url: result } : {}
  }
  if (typeof value?.subscribe === "function") {
    const items = []
    await new Promise((resolve) => {
      value.subscribe((item) => items.push(item))
      value.onError(resolve)
      value.onClose(resolve)
    })
    return { items }
  }
  if (value?.promise) {
    await value.promise.catch(() => undefined)
    return {}
  }
  if (typeof value?.connect === "function") {
    value.connect()
    return { socket: value }
  }
  return {}
}

function endpointAt(url) {
  for (const [kind, path] of Object.entries(PATHS)) {
    const prefix = `${kind === "ws" ? BASE.replace(/^http/, "ws") : BASE}/${path}/`
    if (!url.startsWith(prefix)) continue
    const rest = url.slice(prefix.length)
    const cut = kind === "static" && rest.includes("?") ? rest.indexOf("?") : rest.length
    return { kind, name: rest.slice(0, cut), query: rest.slice(cut + 1) }
  }
  return { kind: "unknown", name: url }
}

// Per-event methods of a plain socket class must dispatch on the exact event
// names: each server event reaches one listener, each send method one event.
const FIXED = new Set(["constructor", "connect", "disconnect", "isConnected", "on", "sendRaw", "send",
  "onConnect", "onDisconnect", "onError"])
function checkSocketEvents(socket, stub, endpoint, problems) {
  const proto = Object.getPrototypeOf(socket)
  const methods = Object.getOwnPropertyNames(proto)
    .filter((name) => !FIXED.has(name) && typeof Object.getOwnPropertyDescriptor(proto, name).value === "function")
  const serverNames = (endpoint.serverEvents ?? []).map((e) => e.sourceName).sort()
  const clientNames = (endpoint.clientEvents ?? []).map((e) => e.sourceName).sort()
  const received = []
  const listens = methods.filter((name) => name.startsWith("on"))
  for (const method of listens) socket[method]((data) => received.push(data))
  stub.readyState = 1
  for (const event of serverNames) stub.receive(event, event)
  const sends = methods.filter((name) => name.startsWith("send"))
  for (const method of sends) socket[method]("x")
  const sent = stub.sent.map((text) => JSON.parse(text).event).sort()
  if (listens.length !== serverNames.length || JSON.stringify(received.sort()) !== JSON.stringify(serverNames)) {
    problems.push(`ws ${JSON.stringify(endpoint.name)}: listeners ${JSON.stringify(listens)} got ${JSON.stringify(received)}`)
  }
  if (sends.length !== clientNames.length || JSON.stringify(sent) !== JSON.stringify(clientNames)) {
    problems.push(`ws ${JSON.stringify(endpoint.name)}: ${JSON.stringify(sends)} sent ${JSON.stringify(sent)}`)
  }
}

// What the request carried, against what the schema says it should.
function checkPayload(endpoint, hit, problems) {
  const expected = sentArgs(endpoint)
  let actual
  if (endpoint.kind === "rpc" || endpoint.kind === "channel") actual = JSON.parse(hit.body)
  if (endpoint.kind === "upload") {
    actual = JSON.parse(hit.body.get("_args"))
    const files = hit.body.getAll("files").length
    if (files !== (endpoint.multiFile ? 2 : 1)) problems.push(`upload ${JSON.stringify(endpoint.name)}: ${files} files`)
  }
  if (endpoint.kind === "static") {
    actual = Object.fromEntries(new URLSearchParams(hit.query))
    for (const key of Object.keys(expected)) expected[key] = String(expected[key])
  }
  if (actual === undefined) return
  try {
    assert.deepStrictEqual(actual, expected)
  } catch {
    problems.push(`${endpoint.kind} ${JSON.stringify(endpoint.name)}: sent ${JSON.stringify(actual)}, ` +
      `expected ${JSON.stringify(expected)}`)
  }
}

test("every client asked for is here to load", () => {
  const expected = (process.env.NAMES_EXPECTED ?? "effect_effect effect_promise plain").split(" ").filter(Boolean)
  assert.deepEqual(clients.map((dir) => basename(dir)).sort(), expected.sort())
})

for (const dir of clients) {
  test(`${basename(dir)}: every endpoint is reached at its exact name, re-exports stay the runtime's, and nothing from the schema runs`, async () => {
    const { api, runtime, layer } = await load(dir)
    assert.equal(globalThis.__tolvPwned, undefined, "loading the module ran text from the schema")
    const own = REEXPORTED[basename(dir)]
    for (const name of new Set(Object.values(REEXPORTED).flat())) {
      const runtimes = own.includes(name)
      assert.equal(api[name] === runtime[name], runtimes, `${name} is ${runtimes ? "not " : ""}the runtime's`)
      assert.equal(typeof api[runtimes ? `${name}_` : name], "function", `${name}: no endpoint function`)
      if (!runtimes) assert.equal(api[`${name}_`], undefined, `${name}_ declared`)
    }

    const reached = new Map()
    const problems = []
    for (const [name, value] of Object.entries(api)) {
      // Re-exports of the runtime, model schemas and classes are no endpoints.
      if (typeof value !== "function" || runtime[name] === value || Schema.isSchema(value)) continue
      if (/^class\b/.test(Function.prototype.toString.call(value))) continue
      log.length = 0
      let outcome
      try {
        outcome = await drive(value(args), layer)
      } catch (error) {
        problems.push(`${name} threw ${error}`)
        continue
      }
      const hits = log.splice(0)
      if (outcome.url !== undefined) hits.push({ url: outcome.url })
      if (hits.length !== 1) {
        problems.push(`${name} sent ${hits.length} requests: ${JSON.stringify(hits.map((hit) => hit.url))}`)
        continue
      }
      const at = endpointAt(hits[0].url)
      const key = `${at.kind} ${JSON.stringify(at.name)}`
      if (reached.has(key)) problems.push(`${name} and ${reached.get(key).name} both reach ${key}`)
      reached.set(key, { name, hit: { ...hits[0], query: at.query }, ...outcome })
    }
    await runtime.disposeTolv?.()

    const expected = endpoints.map((e) => `${e.kind} ${JSON.stringify(e.name)}`)
    assert.deepEqual(
      { missing: expected.filter((key) => !reached.has(key)), unknown: [...reached.keys()].filter((key) => !expected.includes(key)) },
      { missing: [], unknown: [] },
    )
    for (const endpoint of endpoints) {
      const entry = reached.get(`${endpoint.kind} ${JSON.stringify(endpoint.name)}`)
      checkPayload(endpoint, entry.hit, problems)
      if (entry.socket) checkSocketEvents(entry.socket, entry.hit.stub, endpoint, problems)
    }
    // A channel of number | null delivers the number itself.
    assert.deepEqual(reached.get('channel "count_up"').items, [42])
    assert.deepEqual(problems, [])
    assert.equal(globalThis.__tolvPwned, undefined, "calling the endpoints ran text from the schema")
  })
}
