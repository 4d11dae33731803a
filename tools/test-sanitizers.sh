#!/usr/bin/env bash
# Builds the dev preset (Debug, AddressSanitizer and UndefinedBehaviorSanitizer,
# warnings as errors) and runs the unit tests under it; a warning, a memory
# error, a leak or undefined behaviour fails the script. tools/test.sh runs it
# after the ordinary tests.
#
# The whole tree is built, so that no target escapes -Werror. The tests run
# are the test programs of the layers, the window and the shell (their
# doubles, real Paradox files, embedded Firebird files; about a minute and a
# half together under the sanitizers). Left out are the ones that start the
# built program or a server many times (e2e, proof, robustness, the
# installed tree, the first start under Xvfb, the private server, the
# benchmark's small run): they run in the ci build, and under the
# sanitizers they would take several times CI's whole budget.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh dev
export QT_QPA_PLATFORM=offscreen
# Undefined behaviour ends the program with a stack trace instead of a line
# in a passing run.
export UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1 ${UBSAN_OPTIONS:-}"
run() {
    echo "== $1 (AddressSanitizer, UndefinedBehaviorSanitizer)"
    (cd build/dev/"$(dirname "$1")" && timeout 600 "./$(basename "$1")" --gtest_brief=1)
}
unit=(db/common/rk_common_tests locale/rk_locale_tests db/paradox/reader/rk_paradox_tests
      db/paradox/rk_source_tests db/firebird/rk_target_tests transfer/rk_transfer_tests
      transfer/rk_mapping_tests transfer/rk_transfer_source_tests transfer/rk_connect_target_tests
      app/rk_options_tests app/rk_app_tests app/shell/rk_app_shell_tests app/shell/rk_standard_error_tests)
left_out=(app/rk_first_start_tests e2e/proof/rk_proof_tests e2e/rk_e2e_tests robustness/rk_robustness_tests
          server/rk_server_tests)
# A new test program must be named in one of the two lists, so that none is
# left out by forgetting it.
while IFS= read -r found; do
    name=${found#build/dev/tests/}
    if [[ " ${unit[*]} ${left_out[*]} " != *" $name "* ]]; then
        echo "tools/test-sanitizers.sh: test program $name is in neither list" >&2
        exit 1
    fi
done < <(find build/dev/tests -type f -executable -name 'rk_*_tests' | sort)
for name in "${unit[@]}"; do run "tests/$name"; done
