#!/usr/bin/env bash
# The README's complete schema example (its one ```json block): tolv generates
# the plain client and the Effect client in both return surfaces from it, and
# each typechecks under every settings set.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/tsconfigs/typecheck.sh"
work="$(fresh_work_dir readme_schema)"

readme="$here/../../README.md"
if [ "$(grep -c '^```json$' "$readme")" != 1 ]; then
    echo "README.md must hold exactly one \`\`\`json block" >&2
    exit 1
fi
sed -n '/^```json$/,/^```$/{/^```/d;p}' "$readme" > "$work/schema.json"

# The schema file stands in for a backend that prints it.
gen() {
    "$TOLV_BIN" gen "$1" --target rust --rust-cmd sh --rust-arg=-c '--rust-arg=cat "$0"' \
        --rust-arg="$work/schema.json" --out "$work/$2" "${@:3}"
}
gen typescript plain
gen effect effect --surface effect
gen effect promise --surface promise

failed=0
typecheck "README plain client" "$work/plain/api.ts" "$work/plain/_internal.ts" || failed=1
for surface in effect promise; do
    typecheck "README Effect client, $surface surface" "$work/$surface/api.ts" "$work/$surface/_effect_internal.ts" ||
        failed=1
done
exit "$failed"
