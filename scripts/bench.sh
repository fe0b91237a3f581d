#!/usr/bin/env bash
# Runs every benchmark program of the normal build (or the programs named), then prints one table of the pairs
# they label: our figure beside its reference's, measured in the same run.
#   --smoke        one iteration of each benchmark and no table: proves that each still runs and its pairs are whole
#   --benchmark_*  passed on to every program (e.g. --benchmark_filter=Crc)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
smoke=0
programs=()
flags=()
for arg in "$@"; do
  case $arg in
    --smoke) smoke=1 ;;
    --*) flags+=("$arg") ;;
    *) programs+=("$arg") ;;
  esac
done
if [ ${#programs[@]} -eq 0 ]; then
  for bin in "$root"/build/default/bench/*; do
    if [ -f "$bin" ] && [ -x "$bin" ]; then programs+=("$bin"); fi
  done
fi
if [ ${#programs[@]} -eq 0 ]; then
  echo "no benchmarks built yet" >&2
  exit 1
fi

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
status=0
for bin in "${programs[@]}"; do
  name=$(basename "$bin")
  echo "== $name"
  if [ $smoke -eq 1 ]; then export QX_BENCH_SMOKE=1; fi
  if ! "$bin" "${flags[@]}" --benchmark_out="$results/$name.json" --benchmark_out_format=json; then
    echo "!! $name failed"
    status=1
  fi
done
table=()
[ $smoke -eq 0 ] || table=(--check-only)
python3 "$root/scripts/bench_table.py" "${table[@]}" "$results"/*.json || status=1
exit $status
