#!/usr/bin/env bash
# Installs this folder's npm packages from the lock file, unless the installed
# tree already matches it.
set -euo pipefail
cd "$(dirname "$0")"
want=$(sha256sum package-lock.json | cut -d' ' -f1)
stamp=node_modules/.tolv-lock-sha256
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
  exit 0
fi
npm ci --no-audit --no-fund --loglevel=error
echo "$want" > "$stamp"
