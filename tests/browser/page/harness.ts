// Helpers shared by the in-page scenarios. A scenario is an async function
// that resolves when every check held and throws an Error otherwise; the test
// driver calls them one by one through window.tolvScenarios.

export type Scenario = () => Promise<void>

declare global {
  interface Window {
    tolvScenarios?: Record<string, Scenario>
    tolvKnownFaults?: Record<string, string>
  }
}

/**
 * Registers the page's scenarios. `knownFaults` maps the names of scenarios
 * that check behaviour the generated code does not have yet to the reason;
 * the driver runs them but reports them as to-do instead of failing.
 */
export function registerScenarios(scenarios: Record<string, Scenario>, knownFaults: Record<string, string> = {}): void {
  window.tolvScenarios = scenarios
  window.tolvKnownFaults = knownFaults
}

/** The value as JSON would carry it: undefined members dropped. */
export const asJson = (value: unknown): unknown => (value === undefined ? undefined : JSON.parse(JSON.stringify(value)))

/** What the test server recorded about the uploads it answered. */
export async function serverUploads(): Promise<Array<{ handler: string; files: Array<{ name: string; size: number; type: string }>; args: unknown }>> {
  return (await fetch("/test/uploads")).json()
}

/** How many requests the server saw with the given X-Attempt-Key. */
export async function serverAttempts(key: string): Promise<number> {
  return (await (await fetch(`/test/attempts-${encodeURIComponent(key)}`)).json()).count
}

/** How many channel responses the server is still streaming or holding open. */
export async function serverOpenChannels(): Promise<number> {
  return (await (await fetch("/test/open-channels")).json()).count
}

/** Headers that make the server wait before it answers a command. */
export const slowHeaders = (ms: number) => ({ "X-Delay-Ms": String(ms) })

/** Headers that make the server refuse the first `failTimes` attempts with 503. */
export const flakyHeaders = (key: string, failTimes: number) => ({ "X-Fail-Times": String(failTimes), "X-Attempt-Key": key })

const show = (value: unknown): string =>
  value === undefined ? "undefined" : JSON.stringify(value, (_k, v) => (v === undefined ? "<undefined>" : v))

function sameValue(a: unknown, b: unknown): boolean {
  if (Object.is(a, b)) return true
  if (typeof a !== "object" || typeof b !== "object" || a === null || b === null) return false
  if (Array.isArray(a) !== Array.isArray(b)) return false
  const ka = Object.keys(a)
  const kb = Object.keys(b)
  if (ka.length !== kb.length) return false
  return ka.every((k) => Object.prototype.hasOwnProperty.call(b, k) &&
    sameValue((a as Record<string, unknown>)[k], (b as Record<string, unknown>)[k]))
}

export function check(condition: unknown, what: string): asserts condition {
  if (!condition) throw new Error(`check failed: ${what}`)
}

/** Deep equality of JSON-like values; object key order does not count. */
export function equal(actual: unknown, expected: unknown, what: string): void {
  if (!sameValue(actual, expected)) {
    throw new Error(`${what}:\n  expected ${show(expected)}\n  actual   ${show(actual)}`)
  }
}

export const sleep = (ms: number) => new Promise<void>((resolve) => setTimeout(resolve, ms))

export async function waitFor(condition: () => boolean, what: string, timeoutMs = 5000): Promise<void> {
  const deadline = Date.now() + timeoutMs
  while (!condition()) {
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`)
    await sleep(10)
  }
}

/** Polls an asynchronous condition until it holds. */
export async function eventually(condition: () => Promise<boolean>, what: string, timeoutMs = 5000): Promise<void> {
  const deadline = Date.now() + timeoutMs
  while (!(await condition())) {
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`)
    await sleep(20)
  }
}

/** The rejection reason of a promise that must fail. */
export async function rejectionOf(promise: Promise<unknown>, what: string): Promise<unknown> {
  try {
    const value = await promise
    throw new Error(`${what}: expected a failure, got ${show(value)}`)
  } catch (err) {
    if (err instanceof Error && err.message.startsWith(`${what}: expected a failure`)) throw err
    return err
  }
}

/** The failure of a synchronous call that must throw. */
export function thrownBy(call: () => unknown, what: string): unknown {
  try {
    call()
  } catch (err) {
    return err
  }
  throw new Error(`${what}: expected a throw`)
}

export const messageOf = (err: unknown): string => (err instanceof Error ? err.message : show(err))

/** A file of `size` bytes with a recognisable pattern. */
export function patternFile(name: string, size: number, type = "application/octet-stream"): File {
  const bytes = new Uint8Array(size)
  for (let i = 0; i < size; i++) bytes[i] = i % 251
  return new File([bytes], name, { type })
}

export interface ProgressLike {
  readonly loaded: number
  readonly total: number
  readonly percentage: number
}

/** Progress reports of a finished upload of `size` bytes must be sane and end at 100. */
export function checkProgress(events: ReadonlyArray<ProgressLike>, size: number): void {
  check(events.length > 0, "at least one progress event")
  let previous = 0
  for (const e of events) {
    check(e.loaded >= previous, `progress grows: ${show(events)}`)
    check(e.total >= size && e.loaded <= e.total, `progress within the request size: ${show(e)}`)
    check(e.percentage === Math.round((e.loaded / e.total) * 100), `percentage of ${show(e)}`)
    previous = e.loaded
  }
  const last = events[events.length - 1]
  equal(last.percentage, 100, "last progress percentage")
}
