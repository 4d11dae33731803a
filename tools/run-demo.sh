#!/usr/bin/env bash
# The main job on the bundled demo data: installs what is needed, builds,
# generates the demo Paradox tables, creates a fresh staging database, points
# the alias DBRK at the tables and runs the program. With a display the window
# opens (press "Übertragung starten"); without one it runs unattended on Qt's
# offscreen platform. Afterwards it prints the row counts of source and
# staging tables and the job records.
#
#   tools/run-demo.sh [--size demo|large] [--out DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

size=demo
out="$root/demo-data"
while [ $# -gt 0 ]; do
  case "$1" in
    --size) size=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "usage: $0 [--size demo|large] [--out DIR]" >&2; exit 2 ;;
  esac
done

tools/install-deps.sh
tools/build.sh ci >/dev/null
bin="$root/build/ci"

rm -rf "$out"
mkdir -p "$out/paradox"
"$bin/tools/demo/rk_gendemo" --size "$size" --out "$out/paradox" --manifest "$out/manifest.jsonl" >/dev/null
tools/create-staging-db.sh "$out/staging.fdb" >/dev/null

cat > "$out/engine.conf" <<CONF
[DBRK]
PATH=$out/paradox
DEFAULT DRIVER=PARADOX
CONF
export RK_ENGINE_CONFIG="$out/engine.conf"

# The values reach the staging tables in the user's regional format; a bare
# C locale would give the fallback formats, so the demo then uses German ones.
case "${LC_ALL:-${LC_TIME:-${LANG:-C}}}" in
  C|POSIX|C.UTF-8|C.utf8) export LC_ALL=de_DE.UTF-8 ;;
esac

status=0
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "The window opens: press \"Übertragung starten\", then \"Beenden\"."
  "$bin/app/rk_vad2av" "$out/staging.fdb" || status=$?
else
  echo "No display: unattended run on the offscreen platform."
  QT_QPA_PLATFORM=offscreen "$bin/app/rk_vad2av" -auto -nomessage -id:DEMO "$out/staging.fdb" || status=$?
fi
echo "rk_vad2av exit code: $status"

echo
printf '%-14s %8s   %-24s %8s\n' "source" "rows" "staging table" "rows"
pairs="REGIONEN:IMPORT_RK5_REGIONEN GEBIETE:IMPORT_RK5_GEBIETE GIPFEL:IMPORT_RK5_GIPFEL WEGE:IMPORT_RK5_WEGE
BEGEHUNGEN:IMPORT_RK5_BEGEHUNGEN NAMENSLISTE:IMPORT_RK5_NAMENSLISTE NUTZER:IMPORT_RK5_NUTZER
TAGESNOTIZ:IMPORT_RK5_TAGESNOTIZ ZETTELWEGE:IMPORT_RK5_ZETTELWEGE EB:IMPORT_RK5_EB BILDER:IMPORT_RK5_BILDER"
for pair in $pairs; do
  src=${pair%%:*}; dst=${pair#*:}
  file=$(find "$out/paradox" -maxdepth 1 -iname "$src.db" | head -n 1)
  # Only the header line is wanted; the dump's broken pipe after it is expected.
  srows=$( ("$bin/tools/pxdump/rk_pxdump" "$file" || true) | head -n 1 | sed -n 's/.*"records": *\([0-9]*\).*/\1/p')
  drows=$(echo "SELECT COUNT(*) FROM $dst;" | isql-fb -q -user SYSDBA "$out/staging.fdb" | awk 'NF==1 && $1 ~ /^[0-9]+$/ {print $1}')
  printf '%-14s %8s   %-24s %8s\n' "$src" "$srows" "$dst" "$drows"
done
echo
echo "Job records (IMPORT_RK5_INFO):"
echo "SELECT DATUM, ZEIT, STATUS, JOB_ID FROM IMPORT_RK5_INFO;" | isql-fb -q -user SYSDBA "$out/staging.fdb"
exit "$status"
