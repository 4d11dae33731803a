#!/usr/bin/env bash
# Builds the tests of the parts that run on more than one thread (the
# transfer with its mapping thread, the source engine, the window) with
# ThreadSanitizer and runs them; any race it reports fails the script.
# tools/test.sh runs it after the ordinary tests. Only these targets are
# built, to keep CI within its time.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset tsan >/dev/null
targets=(rk_mapping_tests rk_transfer_tests rk_transfer_source_tests rk_source_tests rk_app_tests)
cmake --build build/tsan -j "$(nproc)" --target "${targets[@]}"
export QT_QPA_PLATFORM=offscreen
# A report ends the test program with exit code 66 (also when every test passed).
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
for t in tests/transfer/rk_mapping_tests tests/transfer/rk_transfer_tests tests/transfer/rk_transfer_source_tests \
         tests/db/paradox/rk_source_tests tests/app/rk_app_tests; do
    echo "== $t (ThreadSanitizer)"
    (cd build/tsan/"$(dirname "$t")" && "./$(basename "$t")" --gtest_brief=1)
done
