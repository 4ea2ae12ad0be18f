#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds and runs every test: the whole suite with warnings fatal (GUI and end-to-end tests under Xvfb),
# the whole suite again under AddressSanitizer + UndefinedBehaviorSanitizer, and the engine and platform
# tests under ThreadSanitizer. Also checks formatting.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh

jobs=$(nproc)
run_tests() { # preset, extra ctest args...
    local preset=$1
    shift
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset "$preset" -j "$jobs" "$@"
}

echo "== format check"
cmake --preset ci >/dev/null
cmake --build --preset ci --target format-check

echo "== ci build (warnings fatal)"
cmake --build --preset ci -j "$jobs"
run_tests ci

echo "== address + undefined sanitizers"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
run_tests asan

echo "== thread sanitizer (engine and platform)"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs"
run_tests tsan
