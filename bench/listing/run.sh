#!/bin/sh
# Lists a generated 100,000-message store into the main window's grid and prints rows
# per second and peak memory beside the store's own reading time: first an in-memory
# store (the listing's own cost), then a generated mbox tree (peer.sh): vellumtide-print
# --list beside Python's mailbox module, and the grid beside the built-in engine's walk.
#
#   bench/listing/run.sh [BUILD_DIR] [MESSAGES]     (default build-bench-listing, 100000)
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build-bench-listing}
count=${2:-100000}
cmake -S "$top/bench/listing" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build "$build" -j2 --target listing_bench vellumtide-print >/dev/null
echo "== in-memory store, $count messages"
QT_QPA_PLATFORM=offscreen "$build/listing_bench" "$count"
echo "== generated mbox tree: vellumtide-print --list, Python's mailbox module, the grid, $count messages"
"$top/bench/listing/peer.sh" "$build/bin" "$count"
