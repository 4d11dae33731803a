#!/usr/bin/env bash
# Checks a built package the way Debian and the desktop check it, then runs
# the installed-tree test on its unpacked contents:
#   tools/check-package.sh build/release/rk-vad2av_<version>_amd64.deb
# lintian must report no errors, the programs must carry Debian's hardening;
# desktop-file-validate, appstreamcli validate and man --warnings must pass
# without a word.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(realpath "$1")
root=$(mktemp -d /tmp/rk_package.XXXXXX)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

echo "== lintian"
lintian --fail-on error --allow-root "$deb"
echo "== hardening"
# What lintian's hardening tags look for, read from each shipped program:
# PIE, RELRO, immediate binding, the stack protector and fortified functions.
for exe in "$root"/usr/bin/*; do
  header=$(readelf -hW "$exe") segments=$(readelf -lW "$exe") dynamic=$(readelf -dW "$exe")
  symbols=$(readelf --dyn-syms -W "$exe" | awk '{ print $8 }')
  missing=()
  grep -q 'Type: *DYN' <<<"$header" || missing+=(PIE)
  grep -q GNU_RELRO <<<"$segments" || missing+=(RELRO)
  grep -Eq 'BIND_NOW|FLAGS_1.*NOW' <<<"$dynamic" || missing+=(BIND_NOW)
  grep -q '^__stack_chk_fail' <<<"$symbols" || missing+=("stack protector")
  awk '/^__[a-z0-9_]+_chk(@|$)/ && !/^__stack_chk_fail/ { found = 1 } END { exit !found }' <<<"$symbols" ||
    missing+=(FORTIFY)
  if [ ${#missing[@]} -ne 0 ]; then echo "$exe: without ${missing[*]}" >&2; exit 1; fi
  echo "$(basename "$exe"): PIE, RELRO, BIND_NOW, stack protector, FORTIFY"
done
echo "== desktop-file-validate"
desktop-file-validate "$root"/usr/share/applications/*.desktop
echo "== appstreamcli validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
echo "== man --warnings"
for page in "$root"/usr/share/man/man1/*.1.gz "$root"/usr/share/man/de/man1/*.1.gz; do
  warnings=$(LC_ALL=de_DE.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || true)
  if [ -n "$warnings" ]; then echo "$page: $warnings" >&2; exit 1; fi
done
echo "== installed tree"
tools/build.sh ci >/dev/null
tests/install/installed-tree-test.sh --prefix "$root/usr" build/ci/tools/demo/rk_gendemo
echo "package checked: $(basename "$deb"), $(stat -c %s "$deb") bytes"
