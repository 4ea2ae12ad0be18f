#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The installed tree: everything in its place, the desktop files valid, and the window started through the
# launcher in the bin folder finds its branding file, icon and help pages in the private folder.
# Usage: install_e2e.sh BUILD_DIR
source "$(dirname "$0")/../e2e/lib.sh"
e2e_ensure_display "$@"
build=$1

prefix=$(mktemp -d /tmp/tervane-install-XXXXXX)
trap 'kill $E2E_WM 2>/dev/null; rm -rf "$prefix"' EXIT
if ! cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
    cat "$prefix.log"
    fail "cmake --install"
    e2e_finish
fi
rm -f "$prefix.log"
# The application id names the desktop entry, the metainfo and the icons.
app_id=$(basename "$(ls "$prefix"/share/applications/*.desktop 2>/dev/null | head -n 1)" .desktop)

private=$prefix/lib/tervane
[[ -L $prefix/bin/tervane && $(readlink -f "$prefix/bin/tervane") == "$private/tervane" ]] &&
    pass "bin/tervane is a link to the private program" || fail "bin/tervane: $(ls -l "$prefix/bin/tervane" 2>&1)"
for file in lib/tervane/zezeruda.dll lib/tervane/icon.ico bin/tervane-watch \
    "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml" \
    "share/icons/hicolor/scalable/apps/$app_id.svg" "share/icons/hicolor/48x48/apps/$app_id.png" \
    "share/icons/hicolor/256x256/apps/$app_id.png"; do
    [[ -s $prefix/$file ]] && pass "$file" || fail "$file missing"
done
if [[ -d $build/bin/help ]]; then
    [[ -s $private/help/index.html ]] && pass "help pages" || fail "help pages missing in $private/help"
fi
version=$(PATH=$prefix/bin tervane-watch --version)
[[ $version == "tervane-watch "* ]] && pass "tervane-watch on the PATH" || fail "tervane-watch --version: $version"

if command -v desktop-file-validate >/dev/null; then
    out=$(desktop-file-validate "$prefix/share/applications/$app_id.desktop" 2>&1)
    [[ $? == 0 && -z $out ]] && pass "desktop entry valid" || fail "desktop-file-validate: $out"
fi
if command -v appstreamcli >/dev/null; then
    out=$(appstreamcli validate --no-net --strict "$prefix/share/metainfo/$app_id.metainfo.xml" 2>&1)
    [[ $? == 0 ]] && pass "metainfo valid" || fail "appstreamcli validate: $out"
fi

# The window through the launcher. A stand-in xdg-open records what the help menu asks to open.
opener=$prefix/opener
mkdir -p "$opener"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s/opened"\n' "$opener" >"$opener/xdg-open"
chmod +x "$opener/xdg-open"
(cd / && PATH=$opener:$PATH exec "$prefix/bin/tervane") >"$prefix/out" 2>&1 &
pid=$!
win=$(e2e_find_window '^Tervane - \[/\]$')
if [[ -z $win ]]; then
    fail "no window captioned 'Tervane - [/]': $(cat "$prefix/out")"
    kill "$pid" 2>/dev/null
    e2e_finish
fi
pass "the window starts with its branding and icon"
if [[ -d $build/bin/help ]]; then
    e2e_press "$win" F1
    for _ in $(seq 100); do
        [[ -s $opener/opened ]] && break
        sleep 0.1
    done
    grep -q "$private/help/index.html" "$opener/opened" 2>/dev/null &&
        pass "F1 opens the installed help page" || fail "F1 opened: $(cat "$opener/opened" 2>&1)"
fi
e2e_press "$win" alt+F4
e2e_wait_exit "$pid"
[[ $E2E_STATUS == 0 ]] && pass "closing the window exits 0" || fail "exit status $E2E_STATUS"
e2e_finish
