#!/usr/bin/env bash
# Generates the plain client for the fixture schema, compiles it to CommonJS
# (its import of "./_internal" has no extension) and runs the generated
# functions against a local server.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$TOLV_TS_WORK/plain_client"
rm -rf "$out"
"$TOLV_GEN_CLIENT" "$TOLV_TS_DIR/fixtures/full_schema.json" "$out/src" typescript
"$TOLV_TS_DIR/node_modules/.bin/tsc" --strict \
    --target es2022 --lib es2022,dom --module commonjs \
    --outDir "$out/js" "$out/src/api.ts" "$out/src/_internal.ts"
echo '{ "type": "commonjs" }' > "$out/js/package.json"
TOLV_CLIENT_JS="$out/js/api.js" node --test "$here"/client/*.test.mjs
