# SPDX-License-Identifier: MIT
# Shared helpers for the end-to-end scripts: a private X server with a window manager, waits with a
# deadline, and a scratch copy of the program so its branding and icon can be changed per case.

set -uo pipefail
# The test presets run Qt offscreen; these scripts need the real X server they start.
unset QT_QPA_PLATFORM

# Re-run the calling script under its own X server, so scripts can run in parallel. With
# E2E_ACCESSIBLE=1 it also gets a session bus with the accessibility bus on it, so atspi.py can read
# what the program shows.
e2e_ensure_display() {
    if [[ -z "${TERVANE_E2E_INNER:-}" ]]; then
        local wrap=()
        [[ -n "${E2E_ACCESSIBLE:-}" ]] && wrap=(dbus-run-session --)
        TERVANE_E2E_INNER=1 exec "${wrap[@]}" xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
    fi
    E2E_HELPERS=()
    openbox --sm-disable >/dev/null 2>&1 &
    E2E_HELPERS+=($!)
    if [[ -n "${E2E_ACCESSIBLE:-}" ]]; then
        /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
        E2E_HELPERS+=($!)
        export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    fi
    trap 'kill "${E2E_HELPERS[@]}" 2>/dev/null' EXIT
    for _ in $(seq 50); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break
        sleep 0.1
    done
}

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

# e2e_find_window NAME-REGEX [SECONDS] -> prints the window id, or fails after the deadline
# (Polled rather than `search --sync`: a search that meets a window destroyed under it ends with an X error
# at once instead of waiting.)
e2e_find_window() {
    local deadline=$((SECONDS + ${2:-20})) found
    while ((SECONDS <= deadline)); do
        found=$(xdotool search --name "$1" 2>/dev/null | head -n 1)
        if [[ -n "$found" ]]; then
            echo "$found"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# e2e_press WINDOW KEYS...: focus the window, then type keys into it
e2e_press() {
    local win=$1
    shift
    xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
    xdotool key --clearmodifiers "$@"
}

# e2e_wait_exit PID [SECONDS] -> sets E2E_STATUS to the exit status, or 124 on timeout (process killed)
e2e_wait_exit() {
    local pid=$1 deadline=$((SECONDS + ${2:-20}))
    while kill -0 "$pid" 2>/dev/null; do
        if ((SECONDS > deadline)); then
            kill -9 "$pid" 2>/dev/null
            wait "$pid" 2>/dev/null
            E2E_STATUS=124
            return
        fi
        sleep 0.1
    done
    wait "$pid"
    E2E_STATUS=$?
}

# e2e_scratch BIN_DIR -> a temp dir holding a copy of the program, its branding file and icon
e2e_scratch() {
    local dir
    dir=$(mktemp -d /tmp/tervane-e2e-XXXXXX)
    cp "$1/tervane" "$1/zezeruda.dll" "$1/icon.ico" "$dir/"
    echo "$dir"
}

# e2e_branding SCRAMBLER OUT LINES...: writes a scrambled branding file from readable lines
e2e_branding() {
    local tool=$1 out=$2
    shift 2
    printf '%s\n' "$@" >"$out.ini"
    "$tool" "$out.ini" "$out"
    rm -f "$out.ini"
}

# e2e_until SECONDS COMMAND...: runs COMMAND until it succeeds; fails (status 1) after the deadline
e2e_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        ((SECONDS > deadline)) && return 1
        sleep 0.1
    done
}

# e2e_shot DIR NAME: keeps a screenshot of the whole screen for whoever reads the run afterwards
e2e_shot() {
    mkdir -p "$1"
    import -window root "$1/$2.png" 2>/dev/null || echo "note: screenshot $2 failed"
}

e2e_finish() {
    if ((failures > 0)); then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "all checks passed"
}
