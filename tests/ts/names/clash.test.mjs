// A schema a client cannot declare makes `tolv gen` fail: exit status 1, an
// error naming the entries (`names`) or saying exactly `message`, and no file
// written. Each case of clashes.json is one schema, fed to `tolv gen` as a
// backend's schema dump: two entries that would declare one name, a model
// reference to no model, a wire name "__proto__". A case with `api` is one
// that looks alike but generates: its api.ts holds that text.
import assert from "node:assert/strict"
import { spawnSync } from "node:child_process"
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from "node:fs"
import { tmpdir } from "node:os"
import { join } from "node:path"
import { test } from "node:test"

const cases = JSON.parse(readFileSync(new URL("clashes.json", import.meta.url), "utf8"))
// NAMES_LANGUAGES: the gen languages to run, separated by spaces (default: all).
const asked = (process.env.NAMES_LANGUAGES ?? "typescript effect").split(" ").filter(Boolean)

test("schemas a client cannot declare make gen fail and say why", (t) => {
  const work = mkdtempSync(join(tmpdir(), "tolv-clash-"))
  t.after(() => rmSync(work, { recursive: true, force: true }))
  for (const [i, { names = [], message, api, languages = ["typescript", "effect"], schema }] of cases.entries()) {
    const file = join(work, `clash${i}.json`)
    writeFileSync(file, JSON.stringify(schema))
    for (const language of languages.filter((language) => asked.includes(language))) {
      const out = join(work, `out${i}_${language}`)
      // The backend command prints the schema file and ignores the
      // --dump-schema-json that gen appends.
      const run = spawnSync(process.env.TOLV_BIN, ["gen", language, "--target", "rust", "--rust-cmd", "sh",
        "--rust-arg=-c", '--rust-arg=cat "$0"', `--rust-arg=${file}`, "--out", out], { encoding: "utf8" })
      const what = `${language}, ${message ?? api ?? names.join(" / ")}`
      if (api !== undefined) {
        assert.equal(run.status, 0, `${what}: exit status ${run.status}, stderr ${run.stderr}`)
        assert.ok(readFileSync(join(out, "api.ts"), "utf8").includes(api), what)
        continue
      }
      assert.equal(run.status, 1, `${what}: exit status ${run.status}, stderr ${run.stderr}`)
      if (message !== undefined) assert.equal(run.stderr, `Error: ${message}\n`, what)
      // Whole names ("st" inside "st_url" does not count); the names hold no
      // character special to a regular expression.
      for (const name of names) {
        const word = new RegExp(`(^|[^\\w$])${name}($|[^\\w$])`)
        assert.match(run.stderr, word, `${what}: ${name} not named`)
      }
      assert.ok(!existsSync(out) || readdirSync(out).length === 0, `${what}: files written`)
    }
  }
})
