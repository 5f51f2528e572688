#!/usr/bin/env bash
# Generates the plain client and the Effect client in both surfaces for a
# schema whose fields and parameters are named after the members every object
# inherits (schema.mjs writes it); each must typecheck under every settings
# set and round-trip those names as inherited.test.mjs checks. The typechecks
# run side by side, and beside the runtime checks.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../tsconfigs/typecheck.sh"
work="$(fresh_work_dir inherited)"
node "$here/schema.mjs" > "$work/schema.json"

clients=(
    "plain:typescript"
    "effect_effect:effect --surface effect"
    "effect_promise:effect --surface promise"
)
failed=0
ready=()
typechecks=()
for client in "${clients[@]}"; do
    name="${client%%:*}"
    read -r -a how <<< "${client#*:}"
    out="$work/$name"
    if ! "$TOLV_GEN_CLIENT" "$work/schema.json" "$out" "${how[@]}"; then
        echo "$name: generation failed" >&2
        failed=1
        continue
    fi
    typecheck "$name" "$out/api.ts" "$out"/_*internal.ts &
    typechecks+=($!)
    ready+=("$out")
done
INHERITED_CLIENTS="$(IFS=:; echo "${ready[*]}")" \
    node --test --test-timeout=60000 "$here/inherited.test.mjs" || failed=1
for pid in "${typechecks[@]}"; do
    wait "$pid" || failed=1
done
exit "$failed"
