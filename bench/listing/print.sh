#!/bin/sh
# The Outlook print run end to end: 1,000 rows of a generated store printed with "All"
# on a private PDF queue, beside vellumtide-render printing the same messages (the same
# mbox file) on the same queue, so the run's own steps show as a ratio. Each time runs
# until the queue has written every job.
#
#   bench/listing/print.sh [BUILD_DIR] [MESSAGES]     (default build-bench-listing, 1000)
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build-bench-listing}
count=${2:-1000}
cmake -S "$top/bench/listing" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build "$build" -j2 --target print_bench vellumtide-render >/dev/null
work=$(mktemp -d)
trap '"$top/scripts/cups-private.sh" stop "$work/cups"; rm -rf "$work"' EXIT INT TERM
eval "$("$top/scripts/cups-private.sh" start "$work/cups" bench)"
export CUPS_SERVER
unset PRINTER LPDEST
"$top/bench/gen-mbox-tree.sh" "$work/store" 1 "$count"
echo "$work/store" >"$work/profile.txt"
out=$VELLUMTIDE_CUPS_OUT/bench
mkdir -p "$work/home"
export HOME=$work/home QT_QPA_PLATFORM=offscreen

# Seconds until the queue holds $1 PDFs.
wait_jobs() {
    while [ "$(find "$out" -name '*.pdf' 2>/dev/null | wc -l)" -lt "$1" ]; do sleep 0.2; done
}
now() { date +%s.%N; }

start=$(now)
"$build/print_bench" "$work/profile.txt" >"$work/run.txt"
wait_jobs "$count"
run=$(awk -v s="$start" -v e="$(now)" 'BEGIN { print e - s }')
rm -f "$out"/*

start=$(now)
"$build/bin/vellumtide-render" --printer bench "$work/store/Folder0" >/dev/null
wait_jobs "$count"
render=$(awk -v s="$start" -v e="$(now)" 'BEGIN { print e - s }')

printf '%-44s %8s %10s %10s\n' tool messages seconds msg/s
awk -v n="$count" -v t="$run" 'BEGIN { printf "%-44s %8d %10.2f %10.1f\n", "print run (list, fetch by ID, PrintOut)", n, t, n / t }'
awk -v n="$count" -v t="$render" 'BEGIN { printf "%-44s %8d %10.2f %10.1f\n", "vellumtide-render --printer (same mbox)", n, t, n / t }'
awk -v a="$run" -v b="$render" 'BEGIN { printf "print run / vellumtide-render time ratio: %.2f\n", a / b }'
cat "$work/run.txt"
