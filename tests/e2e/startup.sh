#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up through the real executable: the caption from a good branding file, and the three ways start-up
# fails (branding file missing, icon missing, icon header not an icon), answered as a user would.
# Usage: startup.sh BIN_DIR
source "$(dirname "$0")/lib.sh"
e2e_ensure_display "$@"
bin=$1
scramble=$bin/tervane-scramble

# A good branding file and stray arguments: the program ignores the arguments and shows "Demo - [/]".
dir=$(e2e_scratch "$bin")
e2e_branding "$scramble" "$dir/zezeruda.dll" "[SYSTEM]" "Name=Demo"
"$dir/tervane" --bogus-argument extra >"$dir/out" 2>&1 &
pid=$!
win=$(e2e_find_window '^Demo - \[/\]$')
if [[ -n "$win" ]]; then
    pass "caption Demo - [/]"
    e2e_press "$win" alt+F4
    e2e_wait_exit "$pid"
    [[ $E2E_STATUS == 0 ]] && pass "closing the window exits 0" || fail "exit status $E2E_STATUS after close"
else
    fail "no window captioned 'Demo - [/]' (windows: $(xdotool search --name . getwindowname %@ 2>/dev/null | tr '\n' '|'))"
    kill "$pid" 2>/dev/null
fi
rm -rf "$dir"

# expect_startup_error CASE FILE-TO-BREAK HOW EXPECTED-MESSAGE
expect_startup_error() {
    local name=$1 file=$2 how=$3 expected=$4
    local d
    d=$(e2e_scratch "$bin")
    case $how in
    remove) rm -f "$d/$file" ;;
    badheader) printf '\0\0\2\0\1\0' >"$d/$file" ;;
    esac
    local expanded=${expected//@DIR@/$d}
    "$d/tervane" >"$d/out" 2>&1 &
    local p=$!
    local box
    box=$(e2e_find_window '^Application Error$')
    if [[ -z "$box" ]]; then
        fail "$name: no 'Application Error' box"
        kill "$p" 2>/dev/null
    else
        e2e_press "$box" Return
        e2e_wait_exit "$p"
        [[ $E2E_STATUS == 1 ]] && pass "$name: exit 1" || fail "$name: exit status $E2E_STATUS"
    fi
    if grep -qF -- "$expanded" "$d/out"; then
        pass "$name: message"
    else
        fail "$name: expected '$expanded' in: $(cat "$d/out")"
    fi
    if xdotool search --name ' - \[' >/dev/null 2>&1; then
        fail "$name: a main window appeared"
    fi
    rm -rf "$d"
}

expect_startup_error "branding missing" zezeruda.dll remove 'Cannot open file "@DIR@/zezeruda.dll". No such file or directory.'
expect_startup_error "icon missing" icon.ico remove 'Cannot open file "@DIR@/icon.ico". No such file or directory.'
expect_startup_error "icon header" icon.ico badheader 'Icon image is not valid.'

e2e_finish
