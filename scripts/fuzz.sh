#!/usr/bin/env bash
# Runs the libFuzzer targets of build/fuzz for a while each. Seeds come from fuzz/<target>/corpus; what the fuzzer
# finds on the way is kept in build/fuzz/corpus/<target>, crashes in build/fuzz/crashes/<target>.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
only=${2:-}
status=0
for bin in build/fuzz/fuzz/*; do
  [ -f "$bin" ] && [ -x "$bin" ] || continue
  name=$(basename "$bin")
  [ -z "$only" ] || [ "$only" = "$name" ] || continue
  seeds=$(find fuzz -type d -path "*/corpus" -printf '%h\n' | while read -r d; do
    if grep -q "qx_add_fuzz_target(${name}\b" "$d/CMakeLists.txt" 2>/dev/null; then echo "$d/corpus"; fi; done | head -1)
  work=build/fuzz/corpus/$name
  crashes=build/fuzz/crashes/$name
  mkdir -p "$work" "$crashes"
  echo "== $name: ${seconds}s"
  if ! "$bin" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$crashes/" "$work" ${seeds:+"$seeds"}; then
    echo "!! $name found a problem; see $crashes"
    status=1
  fi
done
exit $status
