#!/usr/bin/env bash
# Wall time and peak memory of whole `tolv gen` runs, both flavours, on a
# synthetic schema of SIZE_MB megabytes (default 20) served by a backend that
# only prints a file.
#   bench/whole_process.sh [build-dir] [size-mb]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
size="${2:-20}"

cmake --build "$build" --target tolv tolv_synthetic_schema >/dev/null
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$build/bench/tolv_synthetic_schema" "$size" >"$work/schema.json"
printf '#!/bin/sh\nexec cat "%s"\n' "$work/schema.json" >"$work/serve-schema"
chmod +x "$work/serve-schema"
echo "schema: $(wc -c <"$work/schema.json") bytes"

for language in typescript effect; do
  args=(gen "$language" --target rust --rust-cmd "$work/serve-schema" --out "$work/out-$language")
  /usr/bin/time -f "$language: %e s wall, %M KiB peak resident" "$build/src/cli/tolv" "${args[@]}"
  if command -v hyperfine >/dev/null; then
    hyperfine --warmup 1 --runs 5 "$build/src/cli/tolv ${args[*]}"
  fi
  echo "  api.ts: $(wc -c <"$work/out-$language/api.ts") bytes"
done
