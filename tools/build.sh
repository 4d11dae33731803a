#!/usr/bin/env bash
# Configures and builds with a preset (default: ci). Usage: tools/build.sh [dev|ci|release]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-ci}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
