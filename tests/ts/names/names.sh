#!/usr/bin/env bash
# Generates the plain client and the Effect client in both surfaces for a
# schema of hostile names and shapes (schema.json). Each api.ts must stay
# small, typecheck under every settings set, and run as names.test.mjs
# checks; clash.test.mjs checks that names converting to one identifier make
# `tolv gen` fail.
#   TOLV_NAMES_CLIENTS: the labels of the clients to check, separated by
#   spaces (default: all of plain, effect_effect and effect_promise).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../tsconfigs/typecheck.sh"
work="$(fresh_work_dir names)"

# The schema holds a chain of 20 models, each with two fields of the next:
# conversions inlined level by level would double with every level.
max_bytes=262144
clients=(
    "plain:typescript"
    "effect_effect:effect --surface effect"
    "effect_promise:effect --surface promise"
)
only=" ${TOLV_NAMES_CLIENTS:-plain effect_effect effect_promise} "
failed=0
ready=()
expected=()
languages=()
for client in "${clients[@]}"; do
    name="${client%%:*}"
    [[ "$only" == *" $name "* ]] || continue
    expected+=("$name")
    language="${client#*:}"
    language="${language%% *}"
    [[ " ${languages[*]} " == *" $language "* ]] || languages+=("$language")
    read -r -a how <<< "${client#*:}"
    out="$work/$name"
    # A generator that inlines the chain needs gigabytes: stop it early.
    if ! (ulimit -v 524288 && exec "$TOLV_GEN_CLIENT" "$here/schema.json" "$out" "${how[@]}"); then
        echo "$name: generation failed or ran out of its 512 MiB" >&2
        failed=1
        continue
    fi
    size=$(stat -c %s "$out/api.ts")
    if (( size > max_bytes )); then
        echo "$name: api.ts has $size bytes, more than $max_bytes" >&2
        failed=1
        continue
    fi
    # Endpoints named like the runtime's types leave those types to api.ts's
    # users: a function of that name would be no type.
    types="TolvError, UploadProgressEvent"
    [[ "$language" == typescript ]] && types="BridgeError, UploadProgressEvent"
    printf 'import type { %s } from "./api";\nexport type RuntimeTypes = [%s];\n' "$types" "$types" >"$out/types.ts"
    typecheck "$name" "$out/api.ts" "$out"/_*internal.ts "$out/types.ts" || failed=1
    ready+=("$out")
done
NAMES_SCHEMA="$here/schema.json" NAMES_CLIENTS="$(IFS=:; echo "${ready[*]}")" \
    NAMES_EXPECTED="${expected[*]}" NAMES_LANGUAGES="${languages[*]}" \
    node --test --test-timeout=60000 "$here"/*.test.mjs || failed=1
exit "$failed"
