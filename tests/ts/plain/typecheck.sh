#!/usr/bin/env bash
# Generates the plain client for the fixture schema and typechecks it under
# every settings set.
set -euo pipefail
source "$(dirname "$0")/../tsconfigs/typecheck.sh"
out="$TOLV_TS_WORK/plain_typecheck"
rm -rf "$out"
"$TOLV_GEN_CLIENT" "$TOLV_TS_DIR/fixtures/full_schema.json" "$out" typescript
for file in api.ts _internal.ts; do
    if [ ! -s "$out/$file" ]; then
        echo "generator wrote no $file" >&2
        exit 1
    fi
done
# The runtime module is shipped byte for byte as it is in the source tree.
cmp "$out/_internal.ts" "$(dirname "$0")/../../../src/gen_ts/_internal.ts"
typecheck "plain client" "$out/api.ts" "$out/_internal.ts"
