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

# The help menu opens the links of the branding file, so they must name the installed pages (the file
# stores each line with every byte complemented, the line breaks plain).
if [[ -d $build/bin/help ]]; then
    link=$(python3 -c 'import sys
for line in open(sys.argv[1], "rb").read().splitlines():
    print(bytes(255 - b for b in line).decode("latin-1"))' "$private/zezeruda.dll" | sed -n 's/^HelpContectLink=//p')
    [[ $link == "file://$private/help/index.html" && -s $private/help/index.html ]] &&
        pass "the help link names the installed page" || fail "help link: '$link'"
fi

# The window through the launcher, from another working directory.
(cd / && exec "$prefix/bin/tervane") >"$prefix/out" 2>&1 &
pid=$!
win=$(e2e_find_window '^Tervane - \[/\]$')
if [[ -z $win ]]; then
    fail "no window captioned 'Tervane - [/]': $(cat "$prefix/out")"
    kill "$pid" 2>/dev/null
    e2e_finish
fi
pass "the window starts with its branding and icon"
e2e_press "$win" alt+F4
e2e_wait_exit "$pid"
[[ $E2E_STATUS == 0 ]] && pass "closing the window exits 0" || fail "exit status $E2E_STATUS"
e2e_finish
