#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Tervane and starts it. Without a display it runs under Xvfb for a few seconds, saves a
# screenshot and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake --preset dev >/dev/null
cmake --build --preset dev -j "$(nproc)" --target tervane
exe=build/dev/bin/tervane

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    exec "$exe"
fi

shot=$(pwd)/build/dev/tervane-screenshot.png
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    "$1" & pid=$!
    for _ in $(seq 100); do
        xdotool search --name " - \[" >/dev/null 2>&1 && break
        sleep 0.1
    done
    sleep 1
    import -window root "$2"
    kill "$pid"; wait "$pid" 2>/dev/null || true
' _ "$exe" "$shot"
echo "No display here: ran Tervane under Xvfb and saved a screenshot to $shot"
