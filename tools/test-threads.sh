#!/usr/bin/env bash
# Builds the tests of the parts that run on more than one thread (the
# transfer with its mapping thread, the source engine, the window, the
# watch of the end signals) with
# ThreadSanitizer and runs them; any race it reports fails the script.
# tools/test.sh runs it after the ordinary tests. Only these targets are
# built, to keep CI within its time.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset tsan >/dev/null
targets=(rk_mapping_tests rk_transfer_tests rk_transfer_source_tests rk_source_tests rk_app_tests
         rk_standard_error_tests)
cmake --build build/tsan -j "$(nproc)" --target "${targets[@]}"
export QT_QPA_PLATFORM=offscreen
# A report ends the test program with exit code 66 (also when every test passed).
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1 suppressions=$PWD/tools/tsan-suppressions.txt ${TSAN_OPTIONS:-}"
run() {
    echo "== $1 (ThreadSanitizer)"
    (cd build/tsan/"$(dirname "$1")" && "./$(basename "$1")" --gtest_brief=1)
}
run tests/transfer/rk_mapping_tests
run tests/transfer/rk_transfer_tests
run tests/transfer/rk_transfer_source_tests
run tests/db/paradox/rk_source_tests
run tests/app/shell/rk_standard_error_tests
# The window's tests stage into embedded Firebird databases, whose engine holds
# more locks at once than the deadlock detector can follow; races are still found.
TSAN_OPTIONS="$TSAN_OPTIONS detect_deadlocks=0" run tests/app/rk_app_tests
