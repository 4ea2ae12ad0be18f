#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The menu commands through the real executable, driven by keyboard as a user would: choose a scratch
# directory in the folder browser, watch changes arrive, stop logging one action, clear the log, open and
# close the About box, exit. What the window shows is read back through the accessibility bus; a
# screenshot of every step is kept under the build folder (e2e-screenshots/commands).
# Usage: commands.sh BIN_DIR
export E2E_ACCESSIBLE=1
source "$(dirname "$0")/lib.sh"
e2e_ensure_display "$@"
bin=$1
shots=$(cd "$bin/.." && pwd)/e2e-screenshots/commands
rm -rf "$shots"
atspi=("/usr/bin/python3" "$(dirname "$0")/atspi.py")

app=$(e2e_scratch "$bin")
watched=$(mktemp -d /dev/shm/tervane-e2e-XXXXXX)
cleanup() {
    [[ -n "${pid:-}" ]] && kill "$pid" 2>/dev/null
    rm -rf "$app" "$watched"
}
trap 'cleanup; kill "${E2E_HELPERS[@]}" 2>/dev/null' EXIT

status() { "${atspi[@]}" "$pid" status | head -n 1; }
rows() { "${atspi[@]}" "$pid" rows "$@"; }
status_is() { [[ $(status) == "$1" ]]; }
status_is_readable() { [[ $(status) == "Event count: "* ]]; }
window_is_open() { xdotool search --name "$1" >/dev/null 2>&1; }
window_is_gone() { ! window_is_open "$1"; }
# The count once it has stopped moving: changes elsewhere may still be arriving from the first watch.
settled_count() {
    local a b
    b=$(status)
    for _ in $(seq 50); do
        sleep 0.3
        a=$b
        b=$(status)
        [[ $a == "$b" ]] && break
    done
    echo "${b#Event count: }"
}
# menu KEYS...: opens a menu of the main window with its access keys
menu() {
    e2e_press "$win" "$1"
    shift
    for key in "$@"; do
        sleep 0.2
        xdotool key --clearmodifiers "$key"
    done
}
give_up() {
    fail "$1"
    e2e_shot "$shots" failure
    echo "windows: $("${atspi[@]}" "$pid" windows 2>&1 | tr '\n' '|')"
    echo "status: $(status 2>&1)"
    e2e_finish
}

"$app/tervane" >"$app/out" 2>&1 &
pid=$!
win=$(e2e_find_window '^Tervane - \[/\]$')
[[ -n "$win" ]] || give_up "no main window"
e2e_until 20 status_is_readable || give_up "the status bar cannot be read"
e2e_shot "$shots" 01-started

# Set directory... opens the browser; typing a path and Enter confirms it.
menu alt+f s
e2e_find_window '^Select directory to watch$' >/dev/null || give_up "no folder browser"
e2e_shot "$shots" 02-browser
xdotool type --delay 10 "$watched"
xdotool key Return
if e2e_until 20 window_is_open "^Tervane - \\[$watched\\]\$"; then
    pass "the caption names the chosen directory"
else
    give_up "caption after choosing $watched"
fi

# Changes there are logged and counted.
base=$(settled_count)
mkdir "$watched/a" "$watched/b" "$watched/c"
if e2e_until 20 status_is "Event count: $((base + 3))"; then
    pass "three new folders counted"
else
    fail "expected Event count: $((base + 3)), status says $(status)"
fi
top=$(rows 3 | cut -f 2,3,4,5 | tr '\t\n' ' |')
expected="Add c $watched/ Folder|Add b $watched/ Folder|Add a $watched/ Folder|"
[[ $top == "$expected" ]] && pass "rows for the new folders" || fail "top rows: $top"
e2e_shot "$shots" 03-changes

# Filter > Actions > Add unchecked: new folders are no longer logged, removals still are.
menu alt+i a a
sleep 0.5
mkdir "$watched/d"
rmdir "$watched/a"
if e2e_until 20 status_is "Event count: $((base + 4))"; then
    pass "only the removal logged"
else
    fail "expected Event count: $((base + 4)), status says $(status)"
fi
top=$(rows 1 | cut -f 2,3)
[[ $top == $'Remove\ta' ]] && pass "the removal is the newest row" || fail "newest row: $top"
rows 5 | cut -f 3,4 | grep -qx "d	$watched/" && fail "the unchecked action was logged" || pass "no row for d"
e2e_shot "$shots" 04-add-unchecked

# Clear log asks first; Enter takes the default answer, Yes.
menu alt+f c
e2e_find_window '^Confirm$' >/dev/null || give_up "no Confirm box"
e2e_shot "$shots" 05-confirm
xdotool key Return
if e2e_until 20 status_is "Event count: 0"; then
    pass "log cleared"
else
    fail "after clearing the status says $(status)"
fi
[[ -z $(rows) ]] && pass "no rows left" || fail "rows left after clearing"

# About box; changes go on being logged while it is open, and Enter closes it.
menu alt+h a
about=$(e2e_find_window '^About Tervane$')
[[ -n "$about" ]] || give_up "no About box"
rmdir "$watched/b"
if e2e_until 20 status_is "Event count: 1"; then
    pass "changes logged while the About box is open"
else
    fail "with the About box open the status says $(status)"
fi
e2e_shot "$shots" 06-about
# The mouse this time: a click on OK.
read -r x y < <("${atspi[@]}" "$pid" centre "push button" OK)
if [[ -n "${y:-}" ]]; then
    xdotool mousemove --sync "$x" "$y" click 1
else
    fail "OK button not found; closing with Enter"
    e2e_press "$about" Return
fi
e2e_until 20 window_is_gone '^About Tervane$' && pass "About box closed" || fail "About box still open"

# Exit ends the program normally.
menu alt+f x
e2e_wait_exit "$pid"
[[ $E2E_STATUS == 0 ]] && pass "Exit ends with status 0" || fail "exit status $E2E_STATUS: $(cat "$app/out")"
pid=
e2e_finish
