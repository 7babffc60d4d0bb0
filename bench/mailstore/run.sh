#!/bin/sh
# The engine's store walk: a generated mbox store of 100,000 messages (rows per second,
# peak memory) and a sample .pst beside readpst and lspst (pst-utils) on the same file.
#   bench/mailstore/run.sh [build folder]   (default: build)
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build}
cmake --build "$build" --target walkstore >/dev/null
walk=$build/bin/walkstore
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 100,000 messages in 10 folders of a Thunderbird-style tree.
"$top/bench/gen-mbox-tree.sh" "$work/store" 10 10000
sync
secs() { awk '{ for (i = 1; i <= NF; i++) if ($i ~ /^seconds=/) { sub("seconds=", "", $i); print $i } }'; }
cat "$work/store"/* >/dev/null # warm cache for every tool alike
gen=$("$walk" "$work/store")

pst=${VELLUMTIDE_TESTDATA:-$top/../shared/testdata}/pst/Outlook.pst
printf '%-34s %10s %10s %10s %10s\n' case rows seconds rows/s peak_MB
echo "$gen" | awk '{ split($0, a, /[ =]/); printf "%-34s %10s %10s %10.0f %10s\n", "mbox, 100,000 messages", a[2], a[4], a[2] / (a[4] > 0 ? a[4] : 1e-9), a[6] }'
if [ -f "$pst" ]; then
    ours=$("$walk" "$pst")
    echo "$ours" | awk '{ split($0, a, /[ =]/); printf "%-34s %10s %10s %10.0f %10s\n", "Outlook.pst (engine)", a[2], a[4], a[2] / (a[4] > 0 ? a[4] : 1e-9), a[6] }'
    o=$(echo "$ours" | secs)
    for peer in readpst lspst; do
        command -v $peer >/dev/null || { echo "$peer missing (Debian package pst-utils)"; continue; }
        mkdir -p "$work/$peer"
        start=$(date +%s.%N)
        if [ $peer = readpst ]; then readpst -q -o "$work/$peer" "$pst" >/dev/null 2>&1 || true
        else lspst "$pst" >/dev/null 2>&1 || true; fi
        end=$(date +%s.%N)
        awk -v p=$peer -v s="$start" -v e="$end" -v o="$o" 'BEGIN { t = e - s; printf "%-34s %10s %10.3f %10s %10s  engine/peer time ratio %.2f\n", "Outlook.pst (" p ")", "-", t, "-", "-", o / (t > 0 ? t : 1e-9) }'
    done
else
    echo "sample folder $(dirname "$pst") is absent: .pst rows skipped"
fi
