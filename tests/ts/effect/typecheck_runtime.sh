#!/usr/bin/env bash
# Typechecks the Effect runtime module on its own under every settings set.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../tsconfigs/typecheck.sh"
out="$TOLV_TS_WORK/effect_runtime_typecheck"
rm -rf "$out"
mkdir -p "$out"
# tsc looks for "effect" in node_modules beside or above the checked file.
ln -s "$TOLV_TS_DIR/node_modules" "$out/node_modules"
cp "$here/../../../src/gen_effect/_effect_internal.ts" "$out/"
typecheck "_effect_internal.ts" "$out/_effect_internal.ts"
