# Sourced by the typecheck scripts. Each *.json beside this file is one set of
# compiler settings that users build with; generated code must pass them all.
#   fresh_work_dir <name>
# empties $TOLV_TS_WORK/<name>, links the packages into it (tsc and Node look
# for "effect" in node_modules beside or above a file) and prints its path.
#   typecheck <label> <file>...
# runs tsc over the files once per set, says which sets fail, and returns 1
# when any did. Files that import "effect" need node_modules beside or above
# them.
fresh_work_dir() {
    local dir="$TOLV_TS_WORK/$1"
    rm -rf "$dir"
    mkdir -p "$dir"
    ln -s "$TOLV_TS_DIR/node_modules" "$dir/node_modules"
    echo "$dir"
}

typecheck() {
    local label="$1"
    shift
    local sets_dir
    sets_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
    local tsc="$TOLV_TS_DIR/node_modules/.bin/tsc"
    local dir files="" file set config failed=0
    dir="$(cd "$(dirname "$1")" && pwd)"
    for file in "$@"; do
        files+="${files:+, }\"$(cd "$(dirname "$file")" && pwd)/$(basename "$file")\""
    done
    for set in "$sets_dir"/*.json; do
        set="$(basename "$set" .json)"
        # tsc takes either a project or files: a project per set names both.
        config="$dir/tsconfig.$set.json"
        printf '{ "extends": "%s", "files": [%s] }\n' "$sets_dir/$set.json" "$files" > "$config"
        if ! "$tsc" -p "$config"; then
            echo "$label: fails tsc under the $set settings" >&2
            failed=1
        fi
    done
    return "$failed"
}
