#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test. CI runs exactly this.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh ci
# GUI tests need no display: Qt's offscreen platform (the first-start tests bring an X server of their own).
export QT_QPA_PLATFORM=offscreen
ctest --preset ci -j "$(nproc)"
# The dev preset (warnings as errors) built whole, its unit tests under
# AddressSanitizer and UndefinedBehaviorSanitizer.
tools/test-sanitizers.sh
# The threaded parts' tests again, under ThreadSanitizer.
tools/test-threads.sh
# The Debian package from the release preset, checked as Debian and the
# desktop check it, and run from its unpacked contents.
tools/check-package.sh "$(tools/package.sh | tail -n 1)"
# The reader's fuzzer, for a bounded time, on seeds from the fixtures.
if [ -x tools/run-fuzz.sh ]; then tools/run-fuzz.sh; fi
