#!/bin/sh
# Lists a generated 100,000-message store into the main window's grid and prints
# rows per second and peak memory beside the store's own reading time.
# Until the built-in engine can read a generated Maildir, the store is the
# in-memory engine of tests/common, so the figures are the listing's own cost.
#
#   bench/listing/run.sh [BUILD_DIR] [MESSAGES]     (default build-bench-listing, 100000)
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build-bench-listing}
count=${2:-100000}
cmake -S "$top/bench/listing" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build "$build" -j2 --target listing_bench >/dev/null
QT_QPA_PLATFORM=offscreen "$build/listing_bench" "$count"
