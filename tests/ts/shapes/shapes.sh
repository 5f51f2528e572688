#!/usr/bin/env bash
# Generates the Effect client for the shapes schema in both return surfaces,
# typechecks each under every settings set, compiles it to CommonJS (its
# import of "./_effect_internal" has no extension) and uses it under Node.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../tsconfigs/typecheck.sh"
tsc="$TOLV_TS_DIR/node_modules/.bin/tsc"
work="$(fresh_work_dir shapes_effect)"

failed=0
for surface in effect promise; do
    out="$work/$surface"
    "$TOLV_GEN_CLIENT" "$here/shapes_schema.json" "$out/src" effect --surface "$surface"
    typecheck "shapes Effect client, $surface surface" "$out/src/api.ts" "$out/src/_effect_internal.ts" ||
        failed=1
    "$tsc" --strict \
        --target es2022 --lib es2022,dom --module commonjs --moduleResolution node10 \
        --outDir "$out/js" "$out/src/api.ts" "$out/src/_effect_internal.ts"
    echo '{ "type": "commonjs" }' > "$out/js/package.json"
    SHAPES_API_JS="$out/js/api.js" SHAPES_SURFACE="$surface" node "$here/use_client.cjs"
done
exit "$failed"
