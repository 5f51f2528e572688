#!/usr/bin/env bash
# Typechecks the plain runtime module on its own under every settings set.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../tsconfigs/typecheck.sh"
out="$TOLV_TS_WORK/plain_runtime_typecheck"
rm -rf "$out"
mkdir -p "$out"
cp "$here/../../../src/gen_ts/_internal.ts" "$out/"
typecheck "_internal.ts" "$out/_internal.ts"
