#!/bin/sh
# vellumtide-print over 1,000 generated messages, one PDF per message (--outdir) and
# all in one PDF (--combined), beside vellumtide-render writing the same messages, as
# .eml files, to one PDF each. Prints messages per second and peak memory, with each
# vellumtide-print run as a time ratio to vellumtide-render.
#
#   bench/print/run.sh [BUILD_DIR] [MESSAGES]     (default build-bench, 1000)
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build-bench}
count=${2:-1000}
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELLUMTIDE_TESTS=OFF $launcher >/dev/null
cmake --build "$build" -j2 --target vellumtide-print vellumtide-render >/dev/null
bin=$build/bin

work=$(mktemp -d /tmp/vt-bench-print.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
"$top/bench/gen-mbox-tree.sh" "$work/store" 1 "$count"
# The same messages as .eml files, one per message.
mkdir -p "$work/eml"
awk -v dir="$work/eml" '/^From / { if (out) close(out); out = sprintf("%s/m%05d.eml", dir, ++n); next } { print > out }' \
    "$work/store/Folder0"
export QT_QPA_PLATFORM=offscreen

# Runs a command under GNU time; prints "seconds peak-KiB".
measure() {
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
    cat "$work/time"
}
outdir=$(measure "$bin/vellumtide-print" --quiet --store "$work/store" --outdir "$work/out-print")
combined=$(measure "$bin/vellumtide-print" --quiet --store "$work/store" --combined "$work/all.pdf")
render=$(measure "$bin/vellumtide-render" --outdir "$work/out-render" "$work"/eml/*.eml)
[ "$(ls "$work/out-print" | wc -l)" = "$count" ] || { echo "--outdir wrote $(ls "$work/out-print" | wc -l) PDFs" >&2; exit 1; }
[ "$(ls "$work/out-render" | wc -l)" = "$count" ] || { echo "vellumtide-render wrote too few PDFs" >&2; exit 1; }

printf '%-44s %8s %9s %8s %9s %14s\n' tool messages seconds msg/s peak-MB "time ratio"
row() {
    echo "$2" | awk -v name="$1" -v n="$count" -v base="${render%% *}" \
        '{ printf "%-44s %8d %9.2f %8.1f %9.0f %14.2f\n", name, n, $1, n / $1, $2 / 1024, $1 / base }'
}
row "vellumtide-print --outdir (list, select, PDFs)" "$outdir"
row "vellumtide-print --combined (one PDF)" "$combined"
row "vellumtide-render (same messages as .eml)" "$render"
echo "combined PDF: $(pdfinfo "$work/all.pdf" | awk '/^Pages:/ { print $2 }') pages, $(du -k "$work/all.pdf" | cut -f1) KiB"
