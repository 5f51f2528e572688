#!/usr/bin/env bash
# Generates the plain client for a schema with a self-referencing model,
# compiles it under --strict and converts nested data through it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$TOLV_TS_WORK/plain_recursive"
rm -rf "$out"
"$TOLV_GEN_CLIENT" "$here/recursive/schema.json" "$out/src" typescript
"$TOLV_TS_DIR/node_modules/.bin/tsc" --strict \
    --target es2022 --lib es2022,dom --module commonjs \
    --outDir "$out/js" "$out/src/api.ts" "$out/src/_internal.ts"
echo '{ "type": "commonjs" }' > "$out/js/package.json"
TOLV_CLIENT_JS="$out/js/api.js" node --test "$here"/recursive/*.test.mjs
