#!/usr/bin/env bash
# The plain client for the shapes schema typechecks strictly.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$TOLV_TS_WORK/shapes_plain"
rm -rf "$out"
"$TOLV_GEN_CLIENT" "$here/shapes_schema.json" "$out" typescript
"$TOLV_TS_DIR/node_modules/.bin/tsc" --noEmit --strict \
    --target es2022 --lib es2022,dom --module esnext --moduleResolution bundler \
    "$out/api.ts" "$out/_internal.ts"
