#!/usr/bin/env bash
# Compiles the runtime module to JavaScript and runs its behaviour tests
# under Node's test runner.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source="$here/../../../src/gen_ts/_internal.ts"
out="$TOLV_TS_WORK/plain_runtime"
rm -rf "$out"
mkdir -p "$out"
"$TOLV_TS_DIR/node_modules/.bin/tsc" --strict \
    --target es2022 --lib es2022,dom --module es2022 \
    --outDir "$out" "$source"
echo '{ "type": "module" }' > "$out/package.json"
TOLV_RUNTIME_JS="$out/_internal.js" node --test "$here"/runtime/*.test.mjs
