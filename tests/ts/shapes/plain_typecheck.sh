#!/usr/bin/env bash
# The plain client for the shapes schema typechecks under every settings set.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../tsconfigs/typecheck.sh"
out="$TOLV_TS_WORK/shapes_plain"
rm -rf "$out"
"$TOLV_GEN_CLIENT" "$here/shapes_schema.json" "$out" typescript
typecheck "shapes plain client" "$out/api.ts" "$out/_internal.ts"
