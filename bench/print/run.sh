#!/bin/sh
# vellumtide-print over 1,000 generated messages, one PDF per message (--outdir) and
# all in one PDF (--combined), and as a court production (the same messages with a PDF,
# an image and a text attachment each, --combined --attachments --bates), beside
# vellumtide-render writing the same messages, as .eml files, to one PDF each. Prints
# messages per second and peak memory, with each vellumtide-print run as a time ratio to
# vellumtide-render; then --outdir with --jobs 1 beside --jobs N (N: the processors) as a
# rate ratio, and whether their files match.
#
#   bench/print/run.sh [BUILD_DIR] [MESSAGES]     (default build-bench, 1000)
#   VELLUMTIDE_BIN=DIR bench/print/run.sh         (the programs already built in DIR)
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build-bench}
count=${2:-1000}
if [ -n "${VELLUMTIDE_BIN:-}" ]; then
    bin=$VELLUMTIDE_BIN
else
    launcher=""
    command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELLUMTIDE_TESTS=OFF $launcher >/dev/null
    cmake --build "$build" -j2 --target vellumtide-print vellumtide-render >/dev/null
    bin=$build/bin
fi
cores=$(nproc)

work=$(mktemp -d /tmp/vt-bench-print.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
"$top/bench/gen-mbox-tree.sh" "$work/store" 1 "$count"
# The same messages as .eml files, one per message.
mkdir -p "$work/eml"
awk -v dir="$work/eml" '/^From / { if (out) close(out); out = sprintf("%s/m%05d.eml", dir, ++n); next } { print > out }' \
    "$work/store/Folder0"
export QT_QPA_PLATFORM=offscreen

# The same messages with three attachments each: a PDF (one message as rendered), an
# image and a text file.
"$bin/vellumtide-render" --outdir "$work" "$work/eml/m00001.eml" >/dev/null
base64 -w 76 "$work/m00001.eml.pdf" >"$work/pdf.b64"
convert -size 600x400 gradient:steelblue-white "png:$work/image.png"
base64 -w 76 "$work/image.png" >"$work/png.b64"
mkdir -p "$work/attached"
awk -v pdf="$work/pdf.b64" -v png="$work/png.b64" '
    function part(type, name, data) {
        printf "--BND\nContent-Type: %s\nContent-Disposition: attachment; filename=\"%s\"\n", type, name
        printf "Content-Transfer-Encoding: base64\n\n%s", data
    }
    function close_message() {
        part("application/pdf", "exhibit.pdf", P); part("image/png", "photo.png", I)
        printf "--BND\nContent-Type: text/plain\nContent-Disposition: attachment; filename=\"notes.txt\"\n\n"
        printf "Notes for the file.\nSecond line.\n--BND--\n\n"
    }
    BEGIN { while ((getline l < pdf) > 0) P = P l "\n"; while ((getline l < png) > 0) I = I l "\n" }
    /^From / { if (open) close_message(); print; header = 1; open = 1; next }
    header && /^$/ {
        print "MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=BND\n\n--BND\nContent-Type: text/plain\n"
        header = 0; next
    }
    { print }
    END { if (open) close_message() }' "$work/store/Folder0" >"$work/attached/Folder0"

# Runs a command under GNU time; prints "seconds peak-KiB".
measure() {
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
    cat "$work/time"
}
outdir=$(measure "$bin/vellumtide-print" --quiet --store "$work/store" --outdir "$work/out-print" --jobs 1)
outdirN=$(measure "$bin/vellumtide-print" --quiet --store "$work/store" --outdir "$work/out-jobs" --jobs "$cores")
combined=$(measure "$bin/vellumtide-print" --quiet --store "$work/store" --combined "$work/all.pdf")
production=$(measure "$bin/vellumtide-print" --quiet --store "$work/attached" --attachments --bates VT- \
    --combined "$work/production.pdf" --load-file "$work/production.csv")
render=$(measure "$bin/vellumtide-render" --outdir "$work/out-render" "$work"/eml/*.eml)
[ "$(ls "$work/out-print" | wc -l)" = "$count" ] || { echo "--outdir wrote $(ls "$work/out-print" | wc -l) PDFs" >&2; exit 1; }
[ "$(ls "$work/out-render" | wc -l)" = "$count" ] || { echo "vellumtide-render wrote too few PDFs" >&2; exit 1; }

printf '%-46s %8s %9s %8s %9s %14s\n' tool messages seconds msg/s peak-MB "time ratio"
row() {
    echo "$2" | awk -v name="$1" -v n="$count" -v base="${3:-${render%% *}}" \
        '{ printf "%-46s %8d %9.2f %8.1f %9.0f %14.2f\n", name, n, $1, n / $1, $2 / 1024, $1 / base }'
}
row "vellumtide-print --outdir --jobs 1" "$outdir"
row "vellumtide-print --combined (one PDF)" "$combined"
row "vellumtide-print --combined --attachments --bates" "$production"
row "vellumtide-render (same messages as .eml)" "$render"
echo "combined PDF: $(pdfinfo "$work/all.pdf" | awk '/^Pages:/ { print $2 }') pages, $(du -k "$work/all.pdf" | cut -f1) KiB"
rows=$(($(wc -l <"$work/production.csv") - 1))
[ "$rows" = "$count" ] || { echo "the load file has $rows rows" >&2; exit 1; }
echo "production PDF: $(pdfinfo "$work/production.pdf" | awk '/^Pages:/ { print $2 }') pages, $(du -k "$work/production.pdf" | cut -f1) KiB;" \
    "$(echo "${production%% *} ${combined%% *}" | awk '{ printf "%.2f", $1 / $2 }') times the plain combined run"
echo
printf '%-46s %8s %9s %8s %9s %14s\n' "--outdir on $cores processors" messages seconds msg/s peak-MB "rate vs 1 job"
row "vellumtide-print --outdir --jobs 1" "$outdir" "${outdir%% *}"
echo "$outdirN" | awk -v n="$count" -v one="${outdir%% *}" -v name="vellumtide-print --outdir --jobs $cores" \
    '{ printf "%-46s %8d %9.2f %8.1f %9.0f %14.2f\n", name, n, $1, n / $1, $2 / 1024, one / $1 }'
same=yes
[ "$(ls "$work/out-print")" = "$(ls "$work/out-jobs")" ] || same=no
echo "same file names with --jobs 1 and --jobs $cores: $same"
