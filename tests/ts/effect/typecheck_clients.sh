#!/usr/bin/env bash
# Generates the Effect client for the fixture schema under several mixes of
# return surfaces and typechecks each one under every settings set. Also
# checks that the runtime file the generator emits is the module from the
# source tree.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../tsconfigs/typecheck.sh"
runtime="$here/../../../src/gen_effect/_effect_internal.ts"
work="$(fresh_work_dir effect_clients)"

mixes=(
    "all_effect:--surface effect"
    "all_promise:--surface promise"
    "effect_with_promise_commands_uploads:--surface effect --commands promise --uploads promise"
    "promise_with_effect_channels_statics:--surface promise --channels effect --statics effect"
)
failed=0
for mix in "${mixes[@]}"; do
    name="${mix%%:*}"
    read -r -a flags <<< "${mix#*:}"
    out="$work/$name"
    "$TOLV_GEN_CLIENT" "$TOLV_TS_DIR/fixtures/full_schema.json" "$out" effect "${flags[@]}"
    if [ ! -s "$out/api.ts" ]; then
        echo "$name: generator wrote no api.ts" >&2
        failed=1
        continue
    fi
    if ! cmp -s "$out/_effect_internal.ts" "$runtime"; then
        echo "$name: emitted _effect_internal.ts differs from the source module" >&2
        failed=1
    fi
    if ! typecheck "$name" "$out/api.ts" "$out/_effect_internal.ts"; then
        failed=1
    fi
done
exit "$failed"
