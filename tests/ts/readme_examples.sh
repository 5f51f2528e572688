#!/usr/bin/env bash
# The README's examples. Its complete schema (its one ```json block): tolv
# generates the plain client and the Effect client in both return surfaces from
# it, and each typechecks under every settings set. Its ```ts blocks: each a
# module of its own beside the two clients of the example backend
# (./generated/typescript, ./generated/effect), they typecheck under every set.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/tsconfigs/typecheck.sh"
work="$(fresh_work_dir readme_examples)"

readme="$here/../../README.md"
if [ "$(grep -c '^```json$' "$readme")" != 1 ]; then
    echo "README.md must hold exactly one \`\`\`json block" >&2
    exit 1
fi
sed -n '/^```json$/,/^```$/{/^```/d;p}' "$readme" > "$work/schema.json"

# gen <client> <schema file> <out> [option...]: the schema file stands in for
# a backend that prints it.
gen() {
    "$TOLV_BIN" gen "$1" --target rust --rust-cmd sh --rust-arg=-c '--rust-arg=cat "$0"' \
        --rust-arg="$2" --out "$work/$3" "${@:4}"
}
gen typescript "$work/schema.json" plain
gen effect "$work/schema.json" effect --surface effect
gen effect "$work/schema.json" promise --surface promise
gen typescript "$here/../../examples/schema.json" generated/typescript
gen effect "$here/../../examples/schema.json" generated/effect

# The block whose text starts at README line n goes to readme_n.ts, a module
# even without an import, so that no block sees another's names.
awk -v dir="$work" '
    /^```ts$/ { file = dir "/readme_" (NR + 1) ".ts"; printf "" > file; next }
    /^```/ { if (file != "") print "export {};" > file; file = ""; next }
    file != "" { print > file }' "$readme"
blocks=("$work"/readme_*.ts)
if [ ! -e "${blocks[0]}" ]; then
    echo "README.md holds no \`\`\`ts block" >&2
    exit 1
fi

failed=0
typecheck "README plain client" "$work/plain/api.ts" "$work/plain/_internal.ts" || failed=1
for surface in effect promise; do
    typecheck "README Effect client, $surface surface" "$work/$surface/api.ts" "$work/$surface/_effect_internal.ts" ||
        failed=1
done
typecheck "README.md ts blocks (readme_<line>.ts: the block at that line)" "${blocks[@]}" || failed=1
exit "$failed"
