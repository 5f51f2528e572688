// What the runtime tests of generated clients share: stand-ins for fetch,
// XMLHttpRequest and WebSocket, installed on import, that record every request
// and answer as `server` says; and `load`, which bundles a generated client
// (its imports have no extension) and imports it initialised against BASE.
import { existsSync, writeFileSync } from "node:fs"
import { join } from "node:path"
import { pathToFileURL } from "node:url"
import { build } from "esbuild"

export const BASE = "http://tolv.test"

// Every request, in order: { url, body } for fetch (the JSON text) and for
// XMLHttpRequest (the FormData); { url, stub } for a WebSocket.
export const log = []
// The answers: `result(url)` is the result of a command or an upload, and
// each of `items(url)` one event of a channel; `text(url)`, when not
// undefined, is a command's or upload's whole body instead.
export const server = { result: () => null, items: () => [], text: () => undefined }
const body = (url) => server.text(url) ?? JSON.stringify({ result: server.result(url) })

globalThis.fetch = async (url, init) => {
  url = String(url)
  log.push({ url, body: init?.body })
  return url.startsWith(`${BASE}/channel/`)
    ? new Response(server.items(url).map((item) => `data: ${JSON.stringify(item)}\n\n`).join(""),
        { headers: { "Content-Type": "text/event-stream" } })
    : new Response(body(url), { headers: { "Content-Type": "application/json" } })
}

globalThis.XMLHttpRequest = class {
  upload = { onprogress: null, addEventListener() {} }
  listeners = { load: [], error: [], abort: [] }
  status = 0
  responseText = ""
  open(method, url) {
    this.url = url
  }
  setRequestHeader() {}
  addEventListener(type, listener) {
    this.listeners[type]?.push(listener)
  }
  send(form) {
    log.push({ url: this.url, body: form })
    queueMicrotask(() => {
      this.status = 200
      this.responseText = body(this.url)
      this.onload?.()
      for (const listener of this.listeners.load) listener()
    })
  }
  abort() {}
}

// A socket that never opens by itself: set readyState to open it. `sent`
// holds the frames sent, and receive(event, data) hands a frame to onmessage
// and to the message listeners.
globalThis.WebSocket = class {
  static CONNECTING = 0
  static OPEN = 1
  static CLOSING = 2
  static CLOSED = 3
  readyState = 0
  sent = []
  listeners = new Set()
  constructor(url) {
    this.url = url
    log.push({ url, stub: this })
  }
  send(text) {
    this.sent.push(text)
  }
  close() {}
  addEventListener(type, listener) {
    if (type === "message") this.listeners.add(listener)
  }
  removeEventListener(type, listener) {
    this.listeners.delete(listener)
  }
  receive(event, data) {
    const frame = { data: JSON.stringify({ event, data }) }
    this.onmessage?.(frame)
    for (const listener of [...this.listeners]) listener(frame)
  }
}

// The bundle's top level holds api.ts's own exports, as a user's
// `import * as api` sees them, so that importing it settles only if api.ts
// exports no `then`; the runtime module is under `__runtime`, a name no
// schema gives an export. Returns the exports, the runtime and, for an
// Effect client, the layer that initTolv made.
export async function load(dir) {
  const runtimePath = existsSync(join(dir, "_internal.ts")) ? "./_internal" : "./_effect_internal"
  const entry = join(dir, "bundle_entry.ts")
  writeFileSync(entry, `export * from "./api"\nexport * as __runtime from "${runtimePath}"\n`)
  const outfile = join(dir, "bundle.mjs")
  const { metafile } = await build({ entryPoints: [entry], bundle: true, format: "esm", external: ["effect"], outfile,
    logLevel: "silent", metafile: true })
  const exports = Object.values(metafile.outputs).flatMap((output) => output.exports)
  if (exports.includes("then")) throw new Error("api.ts exports then: an import takes the module for a promise and calls it")
  let timer
  const never = new Promise((resolve, reject) => {
    timer = setTimeout(() => reject(new Error("importing api.ts never settled: it exports then")), 5000)
  })
  const { __runtime: runtime, ...api } = await Promise.race([import(pathToFileURL(outfile).href), never])
    .finally(() => clearTimeout(timer))
  let layer
  if (runtime.initBridge) {
    const quiet = console.log
    console.log = () => {}
    runtime.initBridge(BASE)
    console.log = quiet
  } else {
    layer = runtime.initTolv({ baseUrl: BASE })
  }
  return { api, runtime, layer }
}
