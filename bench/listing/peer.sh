#!/bin/sh
# vellumtide-print --list beside Python's mailbox module reading From, To, Subject and
# Date of every message, on the same generated mbox tree in one run: seconds, peak
# memory and the time ratio.
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
