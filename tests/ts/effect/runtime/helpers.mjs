// Shared pieces of the runtime tests: the compiled module, a local HTTP
// server and a way to run a call against a client configuration.
import http from "node:http"
import { pathToFileURL } from "node:url"
import { Effect } from "effect"

export const rt = await import(pathToFileURL(process.env.TOLV_EFFECT_RUNTIME_JS).href)

const readBody = (req) =>
  new Promise((resolve, reject) => {
    const chunks = []
    req.on("data", (chunk) => chunks.push(chunk))
    req.on("end", () => resolve(Buffer.concat(chunks).toString("utf8")))
    req.on("error", reject)
  })

// Starts a server on 127.0.0.1 that records every request (method, path,
// headers, body, arrival time, whether the client closed it early) and hands
// it to `handler(request, res)`.
export const startServer = async (handler) => {
  const requests = []
  const server = http.createServer(async (req, res) => {
    const request = {
      method: req.method,
      path: req.url,
      headers: req.headers,
      at: performance.now(),
      closedEarly: false,
    }
    requests.push(request)
    res.on("close", () => {
      if (!res.writableFinished) request.closedEarly = true
    })
    request.body = await readBody(req)
    handler(request, res)
  })
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve))
  const { port } = server.address()
  return {
    baseUrl: `http://127.0.0.1:${port}`,
    requests,
    close: () =>
      new Promise((resolve) => {
        server.closeAllConnections()
        server.close(() => resolve())
      }),
  }
}

export const sendJson = (res, status, value) => {
  res.writeHead(status, { "Content-Type": "application/json" })
  res.end(value === undefined ? "" : JSON.stringify(value))
}

// Runs a call with a client built from `config`; resolves to an Either.
export const run = (effect, config) =>
  Effect.runPromise(Effect.either(Effect.provide(effect, rt.layerTolvClient(config))))

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms))

// Waits until `test()` holds, for at most `ms` milliseconds.
export const eventually = async (test, ms = 2000) => {
  const deadline = Date.now() + ms
  while (!test()) {
    if (Date.now() > deadline) throw new Error("condition not reached in time")
    await sleep(5)
  }
}
