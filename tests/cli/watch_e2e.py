#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""tervane-watch end to end: the real executable, real scratch directories on tmpfs, real signals, pipes
and a pseudo-terminal. Waits are on conditions with a generous deadline, never on sleeps.

Usage: watch_e2e.py TERVANE_WATCH VERSION [unittest arguments, e.g. -k Signals]
"""

import json
import os
import pty
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

EXE = ""
VERSION = ""
DEADLINE = 20.0
STAMP = re.compile(r"^\d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d$")
FIELDS = ["timestamp", "action", "name", "location", "size", "modified", "attrs"]
BLUE, GREEN, RED = b"\x1b[38;2;0;0;255m", b"\x1b[38;2;0;128;0m", b"\x1b[38;2;255;0;0m"


def scratch():
    root = "/dev/shm" if os.path.isdir("/dev/shm") else None
    return tempfile.mkdtemp(prefix="tervane-cli-", dir=root)


class Watch:
    """One running tervane-watch; its output is collected by reader threads."""

    def __init__(self, args, terminal=False, env=None, cwd=None, stdout=None):
        self.out = b""
        self.err = b""
        self.cond = threading.Condition()
        self.master = None
        full_env = dict(os.environ, **(env or {}))
        if terminal:
            self.master, slave = pty.openpty()
            out_target = slave
        else:
            out_target = stdout if stdout is not None else subprocess.PIPE
        self.proc = subprocess.Popen([EXE, *args], stdout=out_target, stderr=subprocess.PIPE, env=full_env, cwd=cwd)
        readers = [(self.proc.stderr.fileno(), "err")]
        if terminal:
            os.close(slave)
            readers.append((self.master, "out"))
        elif stdout is None:
            readers.append((self.proc.stdout.fileno(), "out"))
        self.threads = [threading.Thread(target=self._read, args=r, daemon=True) for r in readers]
        for t in self.threads:
            t.start()

    def _read(self, fd, name):
        while True:
            try:
                chunk = os.read(fd, 65536)
            except OSError:  # a pty's master reports EIO once the slave side is closed
                chunk = b""
            with self.cond:
                if chunk:
                    setattr(self, name, getattr(self, name) + chunk)
                self.cond.notify_all()
            if not chunk:
                return

    def wait_for(self, what, predicate, deadline=DEADLINE):
        with self.cond:
            if not self.cond.wait_for(predicate, timeout=deadline):
                raise AssertionError(f"timed out waiting for {what}\nstdout: {self.out!r}\nstderr: {self.err!r}")

    def wait_ready(self):
        self.wait_for("the ready message", lambda: b": watching " in self.err)

    def lines(self):
        with self.cond:
            return self.out.split(b"\n")[:-1]

    def stop(self, sig=signal.SIGINT):
        if self.proc.poll() is None:
            self.proc.send_signal(sig)
        return self.wait_exit()

    def wait_exit(self):
        try:
            code = self.proc.wait(timeout=DEADLINE)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            raise AssertionError(f"no exit within the deadline\nstderr: {self.err!r}")
        for t in self.threads:
            t.join(timeout=DEADLINE)
        for stream in (self.proc.stdout, self.proc.stderr):
            if stream is not None:
                stream.close()
        if self.master is not None:
            os.close(self.master)
        return code


def wait_until(what, predicate, step=None, deadline=DEADLINE):
    """Calls step (which should make progress) until predicate holds; fails after the deadline."""
    end = time.monotonic() + deadline
    while not predicate():
        if time.monotonic() > end:
            raise AssertionError(f"timed out waiting for {what}")
        if step:
            step()
        time.sleep(0.02)


def run(args, **kwargs):
    return subprocess.run([EXE, *args], capture_output=True, timeout=DEADLINE, **kwargs)


def parse(line, mode):
    """A line of either form as a dict of the seven cells (plus kind for JSON)."""
    if mode == "json":
        obj = json.loads(line.decode("utf-8"))
        return {k: os.fsencode(v) for k, v in obj.items()}
    cells = line.split(b"\t")
    assert len(cells) == 7, f"not seven cells: {line!r}"
    return dict(zip(FIELDS, cells))


class ScratchTest(unittest.TestCase):
    def setUp(self):
        self.dir = scratch()
        self.addCleanup(shutil.rmtree, self.dir, ignore_errors=True)
        self.bdir = os.fsencode(self.dir)

    def watch(self, *args, **kwargs):
        w = Watch([*args], **kwargs)
        self.addCleanup(lambda: w.proc.poll() is None and w.stop(signal.SIGKILL))
        return w


def create(path, data=b""):
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    os.write(fd, data)
    os.close(fd)


def append(path, data):
    with open(path, "ab") as f:
        f.write(data)


class Actions(ScratchTest):
    """Each action's line and fields, as text and as JSON parsed back."""

    # (case, operation on the scratch dir (bytes), action, name, sub-location, size, has details, kind)
    CASES = [
        ("add file", lambda d: create(d + b"/f.txt"), b"Add", b"f.txt", b"", b"0", True, b"file"),
        ("modify file", lambda d: append(d + b"/f.txt", b"hello"), b"Modify", b"f.txt", b"", b"5", True, b"file"),
        ("add folder", lambda d: os.mkdir(d + b"/sub"), b"Add", b"sub", b"", b"Folder", True, b"folder"),
        ("add in subfolder", lambda d: create(d + b"/sub/g"), b"Add", b"g", b"sub/", b"0", True, b"file"),
        ("rename old name", lambda d: os.rename(d + b"/f.txt", d + b"/h.txt"), b"Rename (Old)", b"f.txt", b"",
         b"", False, b"removed"),
        ("rename new name", None, b"Rename (New)", b"h.txt", b"", b"5", True, b"file"),
        ("remove", lambda d: os.unlink(d + b"/h.txt"), b"Remove", b"h.txt", b"", b"", False, b"removed"),
        ("name not UTF-8", lambda d: create(d + b"/caf\xe9"), b"Add", b"caf\xe9", b"", b"0", True, b"file"),
        ("name with tab and newline", lambda d: create(d + b"/a\tb\nc"), b"Add", b"a\tb\nc", b"", b"0", True,
         b"file"),
    ]

    def check_mode(self, mode):
        w = self.watch(*(["--json"] if mode == "json" else []), self.dir)
        w.wait_ready()
        start = 0
        for case, operation, action, name, sub, size, details, kind in self.CASES:
            with self.subTest(mode=mode, case=case):
                if operation:
                    start = len(w.lines())  # lines of earlier steps (a creation's Modify) do not count
                    operation(self.bdir)
                shown = name if mode == "json" else name.replace(b"\t", b"\\t").replace(b"\n", b"\\n")

                def matching():
                    rows = (parse(l, mode) for l in w.lines()[start:])
                    return [r for r in rows if r["action"] == action and r["name"] == shown]

                w.wait_for(f"{action} {name}", matching)
                row = matching()[0]
                self.assertRegex(row["timestamp"].decode(), STAMP)
                self.assertEqual(row["location"], self.bdir + b"/" + sub)
                self.assertEqual(row["size"], size)
                if details:
                    self.assertRegex(row["modified"].decode(), STAMP)
                    self.assertEqual(row["attrs"], b"0x10" if size == b"Folder" else b"0x20")
                else:
                    self.assertEqual((row["modified"], row["attrs"]), (b"", b""))
                if mode == "json":
                    self.assertEqual(set(row), set(FIELDS) | {"kind"})
                    self.assertEqual(row["kind"], kind)
        self.assertEqual(w.stop(), 0)

    def test_text_lines(self):
        self.check_mode("text")

    def test_json_lines(self):
        self.check_mode("json")


class Options(ScratchTest):
    def test_filters(self):
        # (case, options, what happens, the line waited for, lines that must not appear)
        cases = [
            ("no subtree", ["--no-subtree"],
             lambda d: (create(d + "/sub/x"), create(d + "/marker")), ("Add", "marker"), [("Add", "x")]),
            ("actions", ["--actions=remove,rename-new"],
             lambda d: (create(d + "/a"), os.rename(d + "/a", d + "/b"), os.unlink(d + "/b")), ("Remove", "b"),
             [("Add", "a"), ("Modify", "a"), ("Rename (Old)", "a")]),
            ("notify", ["--notify=directory-name"],
             lambda d: (create(d + "/f"), os.mkdir(d + "/dir")), ("Add", "dir"), [("Add", "f"), ("Modify", "f")]),
        ]
        for case, args, operation, wanted, unwanted in cases:
            with self.subTest(case=case):
                d = tempfile.mkdtemp(dir=self.dir)
                os.mkdir(d + "/sub")
                w = self.watch(*args, d)
                w.wait_ready()
                operation(d)
                w.wait_for(str(wanted), lambda: any(parse(l, "text")["action"].decode() == wanted[0] and
                                                    parse(l, "text")["name"].decode() == wanted[1]
                                                    for l in w.out.split(b"\n")[:-1]))
                self.assertEqual(w.stop(), 0)
                seen = {(parse(l, "text")["action"].decode(), parse(l, "text")["name"].decode()) for l in w.lines()}
                self.assertFalse(seen & set(unwanted), f"unexpected lines: {w.out!r}")

    def test_relative_directory_gives_absolute_locations(self):
        w = self.watch("--json", ".", cwd=self.dir)
        w.wait_ready()
        create(self.dir + "/r")
        w.wait_for("a line", lambda: b"\n" in w.out)
        self.assertEqual(json.loads(w.lines()[0])["location"], self.dir + "/")
        self.assertEqual(w.stop(), 0)

    def test_default_directory(self):
        w = self.watch("--no-subtree")
        w.wait_ready()
        self.assertIn(b'watching "/" (not the folders below it)', w.err)
        self.assertEqual(w.stop(signal.SIGTERM), 0)

    def test_quiet_says_nothing(self):
        w = self.watch("-q", self.dir)
        # Without the ready message, change things until the watch shows one.
        probes = iter(range(1000000))
        wait_until("a line for a probe", w.lines, step=lambda: create(f"{self.dir}/probe{next(probes)}"))
        self.assertEqual(w.stop(), 0)
        self.assertEqual(w.err, b"")

    def test_help_and_version(self):
        help_run = run(["--help"])
        self.assertEqual(help_run.returncode, 0)
        self.assertTrue(help_run.stdout.startswith(b"Usage: tervane-watch [OPTIONS] [DIRECTORY]\n"))
        version_run = run(["--version"])
        self.assertEqual((version_run.returncode, version_run.stdout), (0, f"tervane-watch {VERSION}\n".encode()))


class Errors(ScratchTest):
    def test_cannot_start(self):
        create(self.dir + "/plain")
        cases = [
            ("missing directory", [self.dir + "/nope"], f'cannot watch "{self.dir}/nope": No such file or directory'),
            ("not a directory", [self.dir + "/plain"], f'cannot watch "{self.dir}/plain": Not a directory'),
            ("empty notification filter", ["--notify=", self.dir], "nothing to watch for: the notification filter is empty"),
        ]
        for case, args, message in cases:
            with self.subTest(case=case):
                r = run(args)
                self.assertEqual(r.returncode, 2)
                self.assertIn(f"tervane-watch: {message}".encode(), r.stderr)
                self.assertEqual(r.stdout, b"")

    def test_bad_options(self):
        cases = [
            ("unknown option", ["--bogus"], "unrecognized option '--bogus'"),
            ("unknown action", ["--actions=add,delete"], "unknown word 'delete' in --actions"),
            ("unknown notification", ["--notify=content"], "unknown word 'content' in --notify"),
            ("missing list", ["--actions"], "option '--actions' needs a comma-separated list"),
            ("bad colour", ["--color=sometimes"], "invalid value 'sometimes' for --color"),
            ("value on a flag", ["--json=1"], "option '--json' takes no value"),
            ("two directories", ["/a", "/b"], "only one directory can be watched"),
        ]
        for case, args, message in cases:
            with self.subTest(case=case):
                r = run(args)
                self.assertEqual(r.returncode, 2)
                self.assertIn(f"tervane-watch: {message}".encode(), r.stderr)
                self.assertIn(b"Usage: tervane-watch", r.stderr)
                self.assertEqual(r.stdout, b"")

    def test_watched_directory_gone(self):
        watched = self.dir + "/w"
        os.mkdir(watched)
        w = self.watch(watched)
        w.wait_ready()
        create(watched + "/x")
        w.wait_for("the Add line", lambda: b"\tAdd\tx\t" in w.out)
        shutil.rmtree(watched)
        self.assertEqual(w.wait_exit(), 1)
        self.assertIn(f'tervane-watch: the watched directory "{watched}" is gone'.encode(), w.err)
        self.assertIn(b"\tRemove\tx\t", w.out)  # the lines before the end are not lost


class Colours(ScratchTest):
    def test_colour_by_kind(self):
        # (case, on a terminal, options, environment, coloured)
        cases = [
            ("terminal", True, [], {}, True),
            ("terminal, never", True, ["--color=never"], {}, False),
            ("terminal, NO_COLOR", True, [], {"NO_COLOR": "1"}, False),
            ("terminal, json", True, ["--json"], {}, False),
            ("pipe", False, [], {}, False),
            ("pipe, always", False, ["--color=always"], {}, True),
        ]
        for case, terminal, args, env, coloured in cases:
            with self.subTest(case=case):
                d = tempfile.mkdtemp(dir=self.dir)
                w = self.watch(*args, d, terminal=terminal, env=env)
                w.wait_ready()
                # One at a time: a row describes the entry as it is when the row is made.
                for operation, name in [(lambda: create(d + "/f"), b"f"), (lambda: os.mkdir(d + "/g"), b"g"),
                                        (lambda: os.unlink(d + "/f"), b"Remove")]:
                    operation()
                    marks = (b"\t" + name + b"\t", b'"' + name + b'"')
                    w.wait_for(repr(name), lambda: any(m in w.out for m in marks))
                self.assertEqual(w.stop(), 0)
                out = w.out.replace(b"\r\n", b"\n")  # a terminal turns newlines into CR LF
                if not coloured:
                    self.assertNotIn(b"\x1b", out)
                    continue
                plain = {tuple(re.sub(rb"\x1b\[[0-9;]*m", b"", l).split(b"\t")[1:3]): l for l in out.split(b"\n")[:-1]}
                for key, colour in [((b"Add", b"f"), BLUE), ((b"Add", b"g"), GREEN), ((b"Remove", b"f"), RED)]:
                    self.assertTrue(plain[key].startswith(colour) and plain[key].endswith(b"\x1b[0m"), plain[key])


class Endings(ScratchTest):
    def test_signals_end_cleanly(self):
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            with self.subTest(signal=sig.name):
                w = self.watch(self.dir)
                w.wait_ready()
                self.assertEqual(w.stop(sig), 0)
                self.assertNotIn(b"error", w.err)

    def test_sigint_while_a_burst_arrives(self):
        out_path = self.dir + ".out"
        self.addCleanup(lambda: os.path.exists(out_path) and os.unlink(out_path))
        target = self.dir + "/burst"
        os.mkdir(target)
        with open(out_path, "wb") as out:
            w = self.watch("--json", target, stdout=out)
            w.wait_ready()
            burst = subprocess.Popen([sys.executable, "-c",
                                      "import os,sys\nd=sys.argv[1]\nfor i in range(200000):\n"
                                      " p=f'{d}/f{i%500}'\n open(p,'w').close()\n os.unlink(p)\n", target])
            self.addCleanup(lambda: burst.poll() is None and burst.kill())
            # Well into the burst, so the stop meets lines on their way.
            wait_until("output from the burst", lambda: os.path.getsize(out_path) > 200000 or w.proc.poll() is not None)
            self.assertIsNone(w.proc.poll(), f"ended early: {w.err!r}")
            self.assertEqual(w.stop(signal.SIGINT), 0)
            burst.kill()
            burst.wait()
        with open(out_path, "rb") as f:
            data = f.read()
        self.assertTrue(data.endswith(b"\n"), "the last line is cut off")
        for line in data.split(b"\n")[:-1]:
            self.assertIn(json.loads(line)["action"], ["Add", "Modify", "Remove"])

    def test_reader_closing_the_pipe(self):
        # (case, lines head takes, options): with --actions=add exactly one line comes and the watch is
        # idle afterwards, so only noticing the closed pipe without writing can end it.
        cases = [("while changes keep coming", 3, []), ("while idle", 1, ["--actions=add"])]
        for case, count, args in cases:
            with self.subTest(case=case):
                d = tempfile.mkdtemp(dir=self.dir)
                script = f'"$0" {" ".join(args)} "$1" | head -n {count}; echo "status ${{PIPESTATUS[*]}}" >&2'
                p = subprocess.Popen(["bash", "-c", script, EXE, d], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                self.addCleanup(lambda: p.poll() is None and p.kill())
                err = b""
                while b": watching " not in err:
                    chunk = p.stderr.read1(4096)
                    self.assertTrue(chunk, "ended before the watch was set up")
                    err += chunk
                # One file at a time until the pipeline ends; in the idle case, exactly one.
                files = iter(range(1 if args else 1000000))
                wait_until("the pipeline to end", lambda: p.poll() is not None,
                           step=lambda: [create(f"{d}/f{i}") for i in [next(files, None)] if i is not None])
                out, rest = p.communicate(timeout=DEADLINE)
                p.stdout.close()
                p.stderr.close()
                self.assertEqual(len(out.split(b"\n")[:-1]), count)
                self.assertIn(b"status 0 0", err + rest)


if __name__ == "__main__":
    EXE, VERSION = os.path.abspath(sys.argv[1]), sys.argv[2]
    unittest.main(argv=[sys.argv[0], *sys.argv[3:]], verbosity=2)
