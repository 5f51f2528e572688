#!/usr/bin/env bash
# Typechecks the Effect runtime module on its own under --strict.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$TOLV_TS_WORK/effect_runtime_typecheck"
rm -rf "$out"
mkdir -p "$out"
# tsc looks for "effect" in node_modules beside or above the checked file.
ln -s "$TOLV_TS_DIR/node_modules" "$out/node_modules"
cp "$here/../../../src/gen_effect/_effect_internal.ts" "$out/"
"$TOLV_TS_DIR/node_modules/.bin/tsc" --noEmit --strict \
    --target es2022 --lib es2022,dom --module esnext --moduleResolution bundler \
    "$out/_effect_internal.ts"
