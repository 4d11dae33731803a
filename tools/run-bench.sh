#!/usr/bin/env bash
# Builds the release preset and runs the transfer benchmarks:
#   tools/run-bench.sh            200,000-row WEGE table: program (a) against the
#                                 bare client loop (b), then the peak memory of (a)
#                                 on 1,000,000 rows, then the `large` demo set end
#                                 to end through the real program, each
#                                 transfer followed by the check (--check)
#                                 without and with its target, and the check's
#                                 peak memory on 1,000,000 rows
#   tools/run-bench.sh --small    a small size that only checks that it all runs
# Each timing runs twice: on a database as tools/create-staging-db.sh makes it
# (forced writes on: every page write waits for the disk) and with
# asynchronous writes (gfix -write async), where the CPU cost shows; the
# asynchronous run also times (a) once more layer by layer (--layers).
# Figures go to standard output, a summary of the ratios and the layers'
# shares last. Needs the German locale (de_DE.UTF-8).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

small=0
case "${1:-}" in
  --small) small=1 ;;
  "") ;;
  *) echo "usage: $0 [--small]" >&2; exit 2 ;;
esac

build="$root/build/release"
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target rk_bench_transfer rk_gendemo rk_vad2av >/dev/null

export LC_ALL=de_DE.UTF-8 QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp}
bench="$build/bench/transfer/rk_bench_transfer"

if [ "$small" = 1 ]; then
  rows=2000 memory_rows=20000 size=demo
else
  rows=200000 memory_rows=1000000 size=large
fi
summary=$(mktemp /tmp/rk-bench-summary-XXXXXX)
trap 'rm -f "$summary" "$summary.forced" "$summary.async"' EXIT
echo "== forced writes (the database as created)"
"$bench" --rows "$rows" | tee "$summary.forced"
echo
echo "== asynchronous writes"
"$bench" --rows "$rows" --async --layers | tee "$summary.async"

echo
echo "== peak memory of (a) on $memory_rows rows (asynchronous writes):"
"$bench" --rows "$memory_rows" --only-program --async | grep -E 'rows |program|peak'

# The check of the demo set as it stands, timed next to the transfer before
# it: label, the transfer's seconds, the allowed ratio, then the target if any.
check_run() {
  local label=$1 transfer_s=$2 limit=$3
  shift 3
  RK_ENGINE_CONFIG="$work/engine.conf" /usr/bin/time -f '%e %M' -o "$work/check.time" \
    "$build/app/rk_vad2av" --check "$@" >"$work/check.out" || true
  LC_ALL=C awk -v t="$transfer_s" -v l="$limit" -v label="$label" \
    '{ printf "%s %.2f s = %.2f x the transfer (at most %s), peak memory %.1f MiB\n", label, $1, $1 / t, l, $2 / 1024 }' \
    "$work/check.time"
  tail -n 1 "$work/check.out"
}

work=$(mktemp -d /tmp/rk-bench-large-XXXXXX)
trap 'rm -rf "$work" "$summary" "$summary.forced" "$summary.async"' EXIT
"$build/tools/demo/rk_gendemo" --size "$size" --out "$work/paradox" >/dev/null
printf '[DBRK]\nPATH=%s\n' "$work/paradox" > "$work/engine.conf"
for writes in forced async; do
  echo
  echo "== the '$size' demo set end to end (rk_vad2av -auto -nomessage), $writes writes:"
  rm -f "$work/staging.fdb"
  tools/create-staging-db.sh "$work/staging.fdb" >/dev/null
  [ "$writes" = async ] && gfix -write async -user SYSDBA "$work/staging.fdb"
  start=$(date +%s.%N)
  RK_ENGINE_CONFIG="$work/engine.conf" "$build/app/rk_vad2av" -auto -nomessage -id:BENCH "$work/staging.fdb"
  end=$(date +%s.%N)
  staged=$(echo "SELECT (SELECT COUNT(*) FROM IMPORT_RK5_WEGE) + (SELECT COUNT(*) FROM IMPORT_RK5_BEGEHUNGEN) FROM RDB\$DATABASE;" |
    isql-fb -q -user SYSDBA "$work/staging.fdb" | awk 'NF==1 && $1 ~ /^[0-9]+$/ {print $1}')
  LC_ALL=C awk -v s="$start" -v e="$end" -v r="$staged" \
    'BEGIN { printf "wall time %.2f s (routes and ascents staged: %s)\n", e - s, r }'
  transfer_s=$(LC_ALL=C awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')
  check_run "check without target" "$transfer_s" 1.5
  check_run "check with target   " "$transfer_s" 2 "$work/staging.fdb"
done

echo
echo "== the check (--check) on $memory_rows rows of WEGE, no target:"
"$bench" --rows "$memory_rows" --only-source --keep "$work/memory" >/dev/null
RK_ENGINE_CONFIG="$work/memory/engine.conf" /usr/bin/time -f '%e %M' -o "$work/check.time" \
  "$build/app/rk_vad2av" --check >/dev/null || true
LC_ALL=C awk '{ printf "wall time %.2f s, peak memory %.1f MiB (target: under 200 MiB)\n", $1, $2 / 1024 }' \
  "$work/check.time"

echo
echo "== summary: (a) the whole transfer run against (b) the bare client loop, $rows rows"
printf 'forced writes:        %s\n' "$(grep -E '^ratio' "$summary.forced" | sed 's/^ratio (a)\/(b) *//')"
printf 'asynchronous writes:  %s\n' "$(grep -E '^ratio' "$summary.async" | sed 's/^ratio (a)\/(b) *//')"
echo "shares of the layers in (a), asynchronous writes:"
sed -n '/^layers of (a)/,$p' "$summary.async" | tail -n +2
