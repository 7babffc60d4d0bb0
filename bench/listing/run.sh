#!/bin/sh
# Lists a generated 100,000-message store into the main window's grid and prints rows
# per second and peak memory beside the store's own reading time: first an in-memory
# store (the listing's own cost), then a generated mbox tree read by the built-in engine,
# then vellumtide-print --list beside Python's mailbox module (peer.sh).
#
#   bench/listing/run.sh [BUILD_DIR] [MESSAGES]     (default build-bench-listing, 100000)
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build-bench-listing}
count=${2:-100000}
cmake -S "$top/bench/listing" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build "$build" -j2 --target listing_bench vellumtide-print >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "== in-memory store, $count messages"
QT_QPA_PLATFORM=offscreen "$build/listing_bench" "$count"
"$top/bench/gen-mbox-tree.sh" "$work/store" 10 $((count / 10))
echo "$work/store" >"$work/profile.txt"
cat "$work/store"/* >/dev/null # warm cache
echo "== generated mbox tree through the engine, $count messages"
QT_QPA_PLATFORM=offscreen "$build/listing_bench" --profile "$work/profile.txt"
echo "== vellumtide-print --list beside Python's mailbox module, $count messages"
"$top/bench/listing/peer.sh" "$build/bin" "$count"
