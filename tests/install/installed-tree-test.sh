#!/usr/bin/env bash
# The installed program, with nothing from the build folder: a demo transfer
# with PREFIX/bin/rk_vad2av (-auto -nomessage, offscreen), the alias DBRK set
# system-wide in a folder of XDG_CONFIG_DIRS, each staged table's row count
# against the record count PREFIX/bin/rk_pxdump reads from its Paradox table,
# and the manual pages where man finds them; then the first start of a
# person at the screen with nothing configured (first-start-test.sh).
#
#   installed-tree-test.sh --install BUILD_DIR GENDEMO   (cmake --install into a temporary prefix)
#   installed-tree-test.sh --prefix PREFIX GENDEMO       (an unpacked package: PREFIX=root/usr)
# GENDEMO is the demo data generator; it only writes the Paradox tables.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)

work=$(mktemp -d /tmp/rk_installed.XXXXXX)
trap 'rm -rf "$work"' EXIT

case "${1:-}" in
  --install) cmake --install "$2" --prefix "$work/prefix" >/dev/null; prefix="$work/prefix" ;;
  --prefix) prefix=$2 ;;
  *) echo "usage: $0 --install BUILD_DIR GENDEMO | --prefix PREFIX GENDEMO" >&2; exit 2 ;;
esac
gendemo=$3
fail() { echo "FAIL: $*" >&2; exit 1; }

for f in bin/rk_vad2av bin/rk_pxdump share/man/man1/rk_vad2av.1.gz share/man/de/man1/rk_pxdump.1.gz \
         share/applications/de.ravelkamp.rk_vad2av.desktop share/metainfo/de.ravelkamp.rk_vad2av.metainfo.xml \
         share/icons/hicolor/scalable/apps/rk_vad2av.svg share/doc/rk-vad2av/README.md share/doc/rk-vad2av/copyright; do
  [ -f "$prefix/$f" ] || fail "$f is not installed"
done
# A run path into the build folder would let the installed program load from there.
for b in rk_vad2av rk_pxdump; do
  if readelf -d "$prefix/bin/$b" | grep -qE 'RPATH|RUNPATH'; then fail "$b carries a run path"; fi
done

# man finds the German page for a German locale and the same page as the default.
de_page=$(MANPATH="$prefix/share/man" LC_ALL=de_DE.UTF-8 LANGUAGE= man -w rk_vad2av)
c_page=$(MANPATH="$prefix/share/man" LC_ALL=C LANGUAGE= man -w rk_vad2av)
[ "$de_page" = "$prefix/share/man/de/man1/rk_vad2av.1.gz" ] || fail "German locale finds $de_page"
[ "$c_page" = "$prefix/share/man/man1/rk_vad2av.1.gz" ] || fail "C locale finds $c_page"

mkdir -p "$work/paradox" "$work/xdg-system/rk_vad2av" "$work/home-config"
"$gendemo" --size demo --out "$work/paradox" >/dev/null
printf '[DBRK]\nPATH=%s\nDEFAULT DRIVER=PARADOX\n' "$work/paradox" > "$work/xdg-system/rk_vad2av/engine.conf"
"$source_dir/tools/create-staging-db.sh" "$work/staging.fdb" >/dev/null

# A clean environment: only the system-wide alias, no engine configuration of the caller.
# An id of at most 32 characters is stored whole, "-id:" included.
status=0
(cd "$work" && env -i PATH=/usr/bin:/bin HOME="$work" XDG_CONFIG_HOME="$work/home-config" \
   XDG_CONFIG_DIRS="$work/nowhere:$work/xdg-system" XDG_RUNTIME_DIR="$work" \
   QT_QPA_PLATFORM=offscreen LC_ALL=de_DE.UTF-8 \
   timeout 120 "$prefix/bin/rk_vad2av" -auto -nomessage -id:INSTALLED "$work/staging.fdb" 2>"$work/stderr") || status=$?
[ "$status" -eq 0 ] || { cat "$work/stderr" >&2; fail "rk_vad2av exit code $status"; }

count() { echo "SELECT COUNT(*) FROM $1;" | isql-fb -q -user SYSDBA "$work/staging.fdb" | awk 'NF==1 && $1 ~ /^[0-9]+$/ {print $1}'; }
# Rows the plan takes from a dump: all, or those whose column $1 is neither blank nor empty (REGIONEN's REG_R).
rows_taken() {
  python3 -c '
import json, sys
lines = sys.stdin.read().splitlines()
names = [f["name"].upper() for f in json.loads(lines[0])["fields"]]
col = names.index(sys.argv[1]) if len(sys.argv) > 1 else None
print(sum(1 for l in lines[1:] if col is None or json.loads(l)[col] not in (None, "")))' "$@"
}
for t in REGIONEN GEBIETE GIPFEL WEGE BEGEHUNGEN NAMENSLISTE NUTZER TAGESNOTIZ ZETTELWEGE EB BILDER; do
  file=$(find "$work/paradox" -maxdepth 1 -iname "$t.db" | head -n 1)
  "$prefix/bin/rk_pxdump" "$file" > "$work/dump.jsonl" || fail "rk_pxdump cannot read $file"
  if [ "$t" = REGIONEN ]; then taken=$(rows_taken REG_R < "$work/dump.jsonl"); else taken=$(rows_taken < "$work/dump.jsonl"); fi
  staged=$(count "IMPORT_RK5_$t")
  [ "$taken" -gt 0 ] || fail "rk_pxdump read no rows from $file"
  [ "$staged" = "$taken" ] || fail "IMPORT_RK5_$t has $staged rows, $t.DB $taken to transfer"
done
jobs=$(echo "SELECT COUNT(*) FROM IMPORT_RK5_INFO WHERE JOB_ID = '-id:INSTALLED';" | isql-fb -q -user SYSDBA "$work/staging.fdb" \
       | awk 'NF==1 && $1 ~ /^[0-9]+$/ {print $1}')
[ "$jobs" = 1 ] || fail "job records with the run's id: $jobs"

# The first start of a person at the screen: nothing configured, the folder chosen in the dialog.
xvfb-run -a -n 120 -s "-screen 0 1024x768x24" "$here/first-start-test.sh" "$prefix/bin/rk_vad2av" "$work/paradox" "$work"
echo "installed tree: transfer complete, row counts match, manual pages found, first start chooses the folder"
