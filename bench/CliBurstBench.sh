#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# tervane-watch against inotifywait on one burst on tmpfs: both watch the same tree in the same run while
# FILES files are each created, renamed and deleted. Prints, for each, the changes it reported out of the
# changes made, its line count, and the time from the start of the burst to its last line; then our time
# as a ratio of inotifywait's. Not a test: the numbers are for people to compare against the targets.
# Usage: CliBurstBench.sh TERVANE_WATCH [FILES=100000]
set -euo pipefail
watch_exe=$(readlink -f "$1")
files=${2:-100000}
command -v inotifywait >/dev/null || { echo "inotifywait (inotify-tools) is needed" >&2; exit 1; }

work=$(mktemp -d /dev/shm/tervane-bench-XXXXXX)
tree=$work/tree
mkdir -p "$tree"/d{0..9}
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [[ -n ${KEEP:-} ]] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT

# The kernel queue must not be what limits either tool; both read from the same size of queue.
echo "max_queued_events=$(cat /proc/sys/fs/inotify/max_queued_events)"

"$watch_exe" --json "$tree" >"$work/ours.jsonl" 2>"$work/ours.err" &
pids+=($!)
inotifywait -m -r --timefmt '%s' --format '%e %w%f' "$tree" >"$work/theirs.txt" 2>"$work/theirs.err" &
pids+=($!)
until grep -q ': watching ' "$work/ours.err" && grep -q 'Watches established' "$work/theirs.err"; do
    sleep 0.05
done

python3 - "$tree" "$files" "$work" <<'PY'
import os, sys, time
tree, files, work = sys.argv[1], int(sys.argv[2]), sys.argv[3]
start = time.time()
for i in range(files):
    d = f"{tree}/d{i % 10}"
    a, b = f"{d}/c{i}", f"{d}/r{i}"
    os.close(os.open(a, os.O_WRONLY | os.O_CREAT, 0o644))
    os.rename(a, b)
    os.unlink(b)
end = time.time()
with open(f"{work}/burst", "w") as f:
    f.write(f"{start} {end}\n")
PY

# Each output is complete once it has not grown for two seconds; its modification time is then the
# time of its last line.
last=""
while :; do
    now=$(stat -c '%s' "$work/ours.jsonl" "$work/theirs.txt" | tr '\n' ' ')
    [[ $now == "$last" ]] && break
    last=$now
    sleep 2
done

python3 - "$work" "$files" <<'PY'
import json, os, sys
work, files = sys.argv[1], int(sys.argv[2])
start, end = map(float, open(f"{work}/burst").read().split())
made = 3 * files

ours = set()
lines_ours = 0
with open(f"{work}/ours.jsonl", "rb") as f:
    for line in f:
        lines_ours += 1
        o = json.loads(line)
        ours.add((o["action"], o["name"]))
# A rename whose two halves the kernel hands over in different reads may come as a removal and an addition;
# the change is still reported, and such splits are counted apart.
def renamed(i):
    return (("Rename (Old)", f"c{i}") in ours and ("Rename (New)", f"r{i}") in ours) or \
           (("Remove", f"c{i}") in ours and ("Add", f"r{i}") in ours)
split = sum(("Remove", f"c{i}") in ours and ("Add", f"r{i}") in ours for i in range(files))
seen_ours = sum((("Add", f"c{i}") in ours) + renamed(i) + (("Remove", f"r{i}") in ours) for i in range(files))

theirs = set()
lines_theirs = 0
with open(f"{work}/theirs.txt", "rb") as f:
    for line in f:
        lines_theirs += 1
        events, _, path = line.rstrip(b"\n").partition(b" ")
        name = os.path.basename(path).decode(errors="replace")
        for e in events.decode().split(","):
            theirs.add((e, name))
seen_theirs = sum(((("CREATE", f"c{i}") in theirs) + (("MOVED_FROM", f"c{i}") in theirs and ("MOVED_TO", f"r{i}") in theirs)
                   + (("DELETE", f"r{i}") in theirs)) for i in range(files))

t_ours = os.stat(f"{work}/ours.jsonl").st_mtime - start
t_theirs = os.stat(f"{work}/theirs.txt").st_mtime - start
print(f"burst: {files} files created, renamed and deleted = {made} changes in {end - start:.3f} s")
print(f"tervane-watch --json : {seen_ours}/{made} changes reported ({100.0 * seen_ours / made:.2f} %), "
      f"{lines_ours} lines ({split} renames as removal + addition), last line {t_ours:.3f} s after the start")
print(f"inotifywait -m -r    : {seen_theirs}/{made} changes reported ({100.0 * seen_theirs / made:.2f} %), "
      f"{lines_theirs} lines, last line {t_theirs:.3f} s after the start")
print(f"time to last line, ours / inotifywait: {t_ours / t_theirs:.3f}")
PY
echo "(a kernel queue overflow loses changes for both; fs.inotify.max_queued_events sets its size)"
for f in ours.err theirs.err; do
    grep -v -e ': watching ' -e 'Setting up watches' -e 'Watches established' "$work/$f" | sed "s/^/$f: /" || true
done
