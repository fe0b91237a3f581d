#!/usr/bin/env bash
# Runs every benchmark program of the normal build; each prints its own figures beside its reference.
set -euo pipefail
cd "$(dirname "$0")/.."
found=0
for bin in build/default/bench/*; do
  [ -x "$bin" ] || continue
  found=1
  echo "== $(basename "$bin")"
  "$bin" "$@"
done
[ $found -eq 1 ] || echo "no benchmarks built yet"
