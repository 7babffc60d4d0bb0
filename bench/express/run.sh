#!/bin/sh
# ListEmlFiles against GNU grep picking the same four header lines, over the same
# generated folder of .eml files (default 20,000), warm cache, one run each.
#   bench/express/run.sh [BUILD_DIR] [COUNT]
set -eu
build=${1:-build}
count=${2:-20000}
here=$(cd "$(dirname "$0")" && pwd)
cmake --build "$build" --target bench_listeml >/dev/null
work=$(mktemp -d /tmp/vt-bench-eml.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM

# Messages of 2-6 KB: CR LF headers, a body of a few paragraphs.
python3 - "$work" "$count" <<'PY'
import os, random, sys
folder, count = sys.argv[1], int(sys.argv[2])
rnd = random.Random(7)
words = "lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor".split()
for i in range(count):
    body = "\r\n".join(" ".join(rnd.choice(words) for _ in range(14)) for _ in range(rnd.randint(20, 80)))
    text = (f"Return-Path: <a{i}@example.org>\r\nReceived: from mail.example.org by mx.example.net\r\n"
            f"From: Sender {i} <a{i}@example.org>\r\nTo: Reader <r@example.net>\r\n"
            f"Subject: Message number {i}\r\nDate: Mon, 10 Feb 2025 16:{i % 60:02d}:00 -0300\r\n"
            f"MIME-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n{body}\r\n")
    with open(os.path.join(folder, f"Inbox-{i + 1:05d}.eml"), "w", newline="") as f:
        f.write(text)
PY
cat "$work"/*.eml > /dev/null # warm the cache for both

ours=$("$build/bench-bin/bench_listeml" "$work")
set -- $ours
ours_files=$1 ours_s=$3
start=$(date +%s.%N)
peer_files=$(cd "$work" && find . -maxdepth 1 -name '*.eml' -print0 | sort -z |
    xargs -0 grep -m4 -H -E '^(Date|From|To|Subject):' | cut -d: -f1 | sort -u | wc -l)
end=$(date +%s.%N)
peer_s=$(echo "$end - $start" | bc -l)

printf '%-34s %8s %10s %12s\n' "tool" "files" "seconds" "files/s"
printf '%-34s %8d %10.3f %12.0f\n' "ListEmlFiles (vellumtide)" "$ours_files" "$ours_s" "$(echo "$ours_files / $ours_s" | bc -l)"
printf '%-34s %8d %10.3f %12.0f\n' "grep -m4 four header lines (peer)" "$peer_files" "$peer_s" "$(echo "$peer_files / $peer_s" | bc -l)"
printf 'ratio ours/peer (files/s): %.2f\n' "$(echo "($ours_files / $ours_s) / ($peer_files / $peer_s)" | bc -l)"
