#!/usr/bin/env bash
# Typechecks one runtime module on its own under every settings set.
#   typecheck_runtime.sh <path of the module in the source tree>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/typecheck.sh"
module="$(basename "$1")"
out="$(fresh_work_dir "${module%.ts}_typecheck")"
cp "$1" "$out/"
typecheck "$module" "$out/$module"
