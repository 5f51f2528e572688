#!/usr/bin/env bash
# Typechecks one runtime module on its own under every settings set.
#   typecheck_runtime.sh <path of the module in the source tree>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/typecheck.sh"
module="$(basename "$1")"
out="$TOLV_TS_WORK/${module%.ts}_typecheck"
rm -rf "$out"
mkdir -p "$out"
# tsc looks for "effect" in node_modules beside or above the checked file.
ln -s "$TOLV_TS_DIR/node_modules" "$out/node_modules"
cp "$1" "$out/"
typecheck "$module" "$out/$module"
