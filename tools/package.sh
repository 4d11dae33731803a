#!/usr/bin/env bash
# Builds the Debian package from the release preset:
#   tools/package.sh    ->  build/release/rk-vad2av_<version>_amd64.deb
# Only what the package holds is built. Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target rk_vad2av rk_pxdump rk_packaging_files >/dev/null
rm -f build/release/rk-vad2av_*.deb
# CPack reports its steps on standard error; a failure still shows through the exit code.
(cd build/release && cpack -G DEB >/dev/null 2>cpack.log) || { cat build/release/cpack.log >&2; exit 1; }
ls "$PWD"/build/release/rk-vad2av_*_amd64.deb
