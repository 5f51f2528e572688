// Generates the clients of the example backend with `tolv gen`, bundles the
// in-page scenarios, starts the test server that plays the backend and runs
// every scenario in headless Chromium.
//
// Environment: TOLV_BIN (the tolv executable), TOLV_BROWSER_WORK (a scratch
// folder; a temporary one when unset), TOLV_PYTHON (default python3),
// TOLV_CHROMIUM (default /usr/bin/chromium).
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { existsSync, mkdirSync, mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";
import { build } from "esbuild";
import { chromium } from "playwright-core";

import { startServer } from "./server.mjs";

const HERE = dirname(fileURLToPath(import.meta.url));
const WORK = process.env.TOLV_BROWSER_WORK || mkdtempSync(join(tmpdir(), "tolv-browser-"));
mkdirSync(WORK, { recursive: true });
const GEN_DIR = join(WORK, "gen");
const BUNDLE_DIR = join(WORK, "bundle");
const EXAMPLES = join(HERE, "..", "..", "examples");
const CHROMIUM = process.env.TOLV_CHROMIUM || "/usr/bin/chromium";
const SCENARIO_TIMEOUT_MS = 30_000;

// Every client flavour: the generator's arguments and the page that uses it.
const FLAVOURS = {
  plain: ["typescript"],
  effect: ["effect", "--surface", "effect"],
  promise: ["effect", "--surface", "promise"],
};

/** Runs a program to its end; a failure carries its output. */
function runProgram(program, args, options = {}) {
  try {
    return execFileSync(program, args, {
      stdio: ["ignore", "pipe", "pipe"],
      env: { ...process.env, PYTHONDONTWRITEBYTECODE: "1" },
      ...options,
    });
  } catch (err) {
    throw new Error(`${program} ${args.join(" ")} failed (${err.status ?? err.signal ?? err.code}):\n${err.stderr ?? ""}${err.stdout ?? ""}`);
  }
}

function generateClients() {
  const tolv = process.env.TOLV_BIN;
  assert.ok(tolv && existsSync(tolv), `TOLV_BIN must name the built tolv executable (got ${tolv})`);
  const python = process.env.TOLV_PYTHON || "python3";
  for (const [flavour, [language, ...surface]] of Object.entries(FLAVOURS)) {
    const out = join(GEN_DIR, flavour);
    rmSync(out, { recursive: true, force: true });
    runProgram(tolv, ["gen", language, "--target", "python", "--python", python, "--app", "server:bridge",
      "--out", out, ...surface], { cwd: EXAMPLES });
  }
}

// The pages import the generated modules as "@gen/<flavour>/<module>".
const generatedModules = {
  name: "generated-modules",
  setup(b) {
    b.onResolve({ filter: /^@gen\// }, (args) => ({ path: join(GEN_DIR, `${args.path.slice(5)}.ts`) }));
  },
};

async function bundlePages() {
  mkdirSync(BUNDLE_DIR, { recursive: true });
  const result = await build({
    entryPoints: Object.fromEntries(Object.keys(FLAVOURS).map((f) => [f, join(HERE, "page", `${f}.ts`)])),
    outdir: BUNDLE_DIR,
    bundle: true,
    format: "iife",
    target: "chrome110",
    sourcemap: "inline",
    nodePaths: [join(HERE, "node_modules")],
    plugins: [generatedModules],
    logLevel: "silent",
  }).catch((err) => {
    throw new Error(`bundling the pages failed:\n${err.errors?.map((e) => `${e.location?.file}:${e.location?.line}: ${e.text}`).join("\n") ?? err}`);
  });
  assert.deepEqual(result.errors, []);
}

let server;
let browser;

before(async () => {
  assert.ok(existsSync(CHROMIUM), `no browser at ${CHROMIUM}; scripts/setup installs the chromium package`);
  generateClients();
  await bundlePages();
  server = await startServer({ bundleDir: BUNDLE_DIR });
  browser = await chromium.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--disable-background-networking", "--disable-component-update",
      "--disable-sync", "--no-first-run", "--disable-quic"],
  });
});

after(async () => {
  await browser?.close();
  await server?.close();
  if (!process.env.TOLV_BROWSER_WORK) rmSync(WORK, { recursive: true, force: true });
});

/** Collects what the page prints and throws, for the failure messages. */
function watchPage(page) {
  const lines = [];
  const pageErrors = [];
  page.on("console", (msg) => lines.push(`[console.${msg.type()}] ${msg.text()}`));
  page.on("pageerror", (err) => {
    const line = `[pageerror] ${err.stack ?? err.message}`;
    lines.push(line);
    pageErrors.push(line);
  });
  page.on("requestfailed", (req) => lines.push(`[requestfailed] ${req.method()} ${req.url()} ${req.failure()?.errorText}`));
  return { lines, pageErrors };
}

function withTimeout(promise, ms, what) {
  let timer;
  const timeout = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`${what} did not finish within ${ms} ms`)), ms);
  });
  return Promise.race([promise, timeout]).finally(() => clearTimeout(timer));
}

for (const flavour of Object.keys(FLAVOURS)) {
  test(`${flavour} client in the browser`, async (t) => {
    const page = await browser.newPage();
    const log = watchPage(page);
    const report = (from, problemsFrom) => [
      "--- browser output ---",
      ...log.lines.slice(from),
      "--- server refusals ---",
      ...server.problems.slice(problemsFrom),
    ].join("\n");
    try {
      await page.goto(`${server.baseUrl}/page/${flavour}`);
      await page.waitForFunction(() => window.tolvScenarios !== undefined, null, { timeout: 10_000 }).catch(() => {
        throw new Error(`the ${flavour} page registered no scenarios\n${report(0, 0)}`);
      });
      const [names, knownFaults] = await page.evaluate(() => [Object.keys(window.tolvScenarios), window.tolvKnownFaults]);
      assert.ok(names.length > 0, "no scenarios");
      for (const name of names) {
        const todo = knownFaults[name] ? `known fault: ${knownFaults[name]}` : undefined;
        await t.test(name, { todo }, async () => {
          const from = log.lines.length;
          const errorsFrom = log.pageErrors.length;
          const problemsFrom = server.problems.length;
          try {
            await withTimeout(page.evaluate((n) => window.tolvScenarios[n](), name), SCENARIO_TIMEOUT_MS, name);
            assert.deepEqual(log.pageErrors.slice(errorsFrom), [], "uncaught errors in the page");
            assert.deepEqual(server.problems.slice(problemsFrom), [], "requests refused by the server");
          } catch (err) {
            // A fresh error: the runner prints the stack, which holds the message as it was made.
            throw new Error(`${err.message}\n${report(from, problemsFrom)}`);
          }
        });
      }
    } finally {
      await page.close();
    }
  });
}
