#!/bin/sh
# vellumtide-print --list beside Python's mailbox module reading From, To, Subject and
# Date of every message, on the same generated mbox tree in one run: seconds, peak
# memory and the time ratio. When the listing benchmark is built beside BIN_DIR (as
# run.sh builds it), the main window's grid lists the same tree too, beside the engine's
# walk of it without the grid.
#
#   bench/listing/peer.sh BIN_DIR [MESSAGES]     (default 100000, in 10 folders)
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
bin=$1
count=${2:-100000}
work=$(mktemp -d /tmp/vt-bench-listing.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
"$top/bench/gen-mbox-tree.sh" "$work/store" 10 $((count / 10))
cat "$work/store"/* >/dev/null # warm cache
cat >"$work/peer.py" <<'PY'
import mailbox, os, sys
root = sys.argv[1]
rows = 0
for name in sorted(os.listdir(root)):
    for message in mailbox.mbox(os.path.join(root, name), create=False):
        fields = (message["From"], message["To"], message["Subject"], message["Date"])
        rows += 1
print(rows)
PY

# Runs a command under GNU time; prints "seconds peak-KiB rows".
measure() {
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/out" 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
    echo "$(cat "$work/time") $(wc -l <"$work/out")"
}
ours=$(measure "$bin/vellumtide-print" --store "$work/store" --list)
rows=$(echo "$ours" | cut -d' ' -f3)
peer=$(measure python3 "$work/peer.py" "$work/store")
[ "$rows" = "$count" ] || { echo "--list wrote $rows rows of $count" >&2; exit 1; }
[ "$(cat "$work/out")" = "$count" ] || { echo "python read $(cat "$work/out") messages" >&2; exit 1; }

printf '%-46s %8s %9s %10s %9s %12s\n' tool messages seconds msg/s peak-MB "peer/ours"
row() {
    echo "$2" | awk -v name="$1" -v n="$count" -v peer="${peer%% *}" \
        '{ printf "%-46s %8d %9.2f %10.0f %9.0f %12.2f\n", name, n, $1, n / $1, $2 / 1024, peer / $1 }'
}
row "vellumtide-print --list" "$ours"
row "python3 mailbox (From, To, Subject, Date)" "$peer"

grid=$bin/../listing_bench
[ -x "$grid" ] || exit 0
echo "$work/store" >"$work/profile.txt"
QT_QPA_PLATFORM=offscreen "$grid" --rows --profile "$work/profile.txt" >"$work/grid" 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
[ "$(awk '$1 == "grid" { print $4 }' "$work/grid")" = "$count" ] || { echo "the grid holds $(cat "$work/grid")" >&2; exit 1; }
row "engine walk alone (no grid)" "$(awk '$1 == "walk" { print $2, $3 }' "$work/grid")"
row "main window grid (offscreen)" "$(awk '$1 == "grid" { print $2, $3 }' "$work/grid")"
awk '{ t[$1] = $2 } END { printf "grid beyond the walk: %.2f s\n", t["grid"] - t["walk"] }' "$work/grid"
