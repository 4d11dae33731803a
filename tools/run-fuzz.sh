#!/usr/bin/env bash
# Builds the Paradox reader fuzzer with clang (libFuzzer, ASan, UBSan) in
# build/fuzz and runs it for a bounded time on seeds made from the shared
# Paradox fixtures. Exits non-zero when the fuzzer finds a crash; the
# reproducer is left in build/fuzz/crashes/.
#
#   tools/run-fuzz.sh [SECONDS]     (default 60)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
fixtures="${RK_SHARED_DIR:-$root/../shared}/fixtures/paradox"
build="$root/build/fuzz"

if [ ! -d "$fixtures" ]; then
  echo "run-fuzz: no fixtures at $fixtures (../shared absent?); skipping the fuzz run"
  exit 0
fi

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DRK_BUILD_FUZZERS=ON -DRK_BUILD_TESTS=ON >/dev/null
cmake --build "$build" --target rk_paradox_fuzzer -j2

corpus="$(mktemp -d)"
trap 'rm -rf "$corpus"' EXIT
# Seed format: 4-byte little-endian .DB length, the .DB, then its .MB.
python3 - "$fixtures" "$corpus" <<'PY'
import pathlib, struct, sys
src, out = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
for db in sorted(src.rglob("*")):
    if db.suffix.lower() not in (".db", ".px"):
        continue
    data = db.read_bytes()
    mb = next((p for p in db.parent.iterdir() if p.stem.lower() == db.stem.lower() and p.suffix.lower() == ".mb"), None)
    blob = mb.read_bytes()[:64 * 1024] if mb else b""   # the first blocks are enough to reach every code path
    (out / (db.parent.name + "_" + db.name)).write_bytes(struct.pack("<I", len(data)) + data + blob)
PY

mkdir -p "$build/crashes"
cd "$build/crashes"
"$build/tests/fuzz/rk_paradox_fuzzer" -max_total_time="$seconds" -max_len=131072 -rss_limit_mb=1024 \
  -timeout=10 -print_final_stats=1 "$corpus"
