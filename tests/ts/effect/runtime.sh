#!/usr/bin/env bash
# Compiles the Effect runtime module to JavaScript and runs its behaviour
# tests under Node's test runner.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$TOLV_TS_WORK/effect_runtime"
rm -rf "$out"
mkdir -p "$out"
# The compiled module imports "effect"; the link lets Node find the same copy
# that the tests import.
ln -s "$TOLV_TS_DIR/node_modules" "$out/node_modules"
cp "$here/../../../src/gen_effect/_effect_internal.ts" "$out/"
"$TOLV_TS_DIR/node_modules/.bin/tsc" --strict \
    --target es2022 --lib es2022,dom --module esnext --moduleResolution bundler \
    --outDir "$out" "$out/_effect_internal.ts"
echo '{ "type": "module" }' > "$out/package.json"
TOLV_EFFECT_RUNTIME_JS="$out/_effect_internal.js" node --test --test-timeout=15000 "$here"/runtime/*.test.mjs
