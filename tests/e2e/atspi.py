#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Reads what the user sees in a running Tervane window through the accessibility bus.

Usage: atspi.py PID status     -> the status bar's texts, one per line
       atspi.py PID rows [N]   -> the log's rows (the top N), cells tab-separated, top row first
       atspi.py PID windows    -> the names of the program's top-level windows
       atspi.py PID centre ROLE NAME -> screen coordinates "X Y" of the middle of that control

Screenshots cannot be compared reliably across fonts and machines; the accessibility tree gives the same
texts a screen reader would announce, so the end-to-end checks read exactly what is on screen.
"""
import signal
import sys

import pyatspi


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    # Tables answer for their cells through the table interface; walking thousands of cells is slow.
    if node.getRoleName() in ("table", "tree table", "tree"):
        return
    for child in node:
        yield from walk(child, depth + 1)


def find_role(app, role):
    return [n for n in walk(app) if n.getRoleName() == role]


def status(app):
    for bar in find_role(app, "status bar"):
        for node in walk(bar):
            if node is not bar and node.name:
                print(node.name)


def rows(app, limit=None):
    for node in walk(app):
        if node.getRoleName() not in ("table", "tree table", "tree"):
            continue
        table = node.queryTable()
        count = table.nRows if limit is None else min(limit, table.nRows)
        for r in range(count):
            cells = []
            for c in range(table.nColumns):
                cell = table.getAccessibleAt(r, c)
                cells.append(cell.name if cell is not None else "")
            print("\t".join(cells))
        return


def windows(app):
    for child in app:
        if child is not None:
            print(child.name)


def centre(app, role, name):
    for node in walk(app):
        if node.getRoleName() == role and node.name == name:
            box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            print(box.x + box.width // 2, box.y + box.height // 2)
            return 0
    print(f"no {role} named {name!r}", file=sys.stderr)
    return 4


def main():
    # Readers such as `head` may stop early; end quietly as other filters do.
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    pid, what = int(sys.argv[1]), sys.argv[2]
    app = application(pid)
    if app is None:
        print(f"no accessible application with pid {pid}", file=sys.stderr)
        return 3
    if what == "rows":
        rows(app, int(sys.argv[3]) if len(sys.argv) > 3 else None)
    elif what == "centre":
        return centre(app, sys.argv[3], sys.argv[4])
    else:
        {"status": status, "windows": windows}[what](app)
    return 0


if __name__ == "__main__":
    sys.exit(main())
