#!/bin/sh
# Renders a few hundred messages (the public samples, repeated) to PDF with
# vellumtide-render, and the same messages' HTML with wkhtmltopdf and headless
# Chromium; each started once per message and once for the whole batch.
# Prints messages per second and peak memory, with ours as a ratio to each peer; then
# two hostile messages (a 1 MB header line, a 100,000-cell table) against wkhtmltopdf.
#
#   bench/render/run.sh [BUILD_DIR]      (default build-bench; needs root to install the peers)
#   REPEAT=5 PER_MESSAGE=40              samples repeated; messages for the per-message runs
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build-bench}
repeat=${REPEAT:-5}
per=${PER_MESSAGE:-40}
samples=${VELLUMTIDE_TESTDATA:-$top/../shared/testdata}/eml

if [ "$(id -u)" = 0 ]; then
    for p in wkhtmltopdf chromium; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            { DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends wkhtmltopdf chromium >/dev/null; break; }
    done
fi
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELLUMTIDE_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target vellumtide-render >/dev/null
render=$build/bin/vellumtide-render

work=$(mktemp -d /tmp/vt-bench-render.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
mkdir -p "$work/in" "$work/html" "$work/out"
i=0
while [ $i -lt "$repeat" ]; do
    for f in "$samples"/*.eml; do cp "$f" "$work/in/r$i-$(basename "$f")"; done
    i=$((i + 1))
done
total=$(ls "$work/in" | wc -l)
export QT_QPA_PLATFORM=offscreen
"$render" --html --outdir "$work/html" "$work/in"/*.eml
# One document for the peers' batch runs that take one page only.
{
    echo '<html><head><meta charset="utf-8"></head><body>'
    for h in "$work/html"/*.html; do
        sed -e 's#<html><head><meta charset="utf-8"></head><body>##' -e 's#</body></html>##' "$h"
        echo '<div style="page-break-after: always"></div>'
    done
    echo '</body></html>'
} >"$work/all.html"
ls "$work/html"/*.html | head -n "$per" >"$work/per-html.txt"
ls "$work/in"/*.eml | head -n "$per" >"$work/per-eml.txt"

# measure NAME MESSAGES COMMAND...: wall seconds and peak RSS (KB) of the command.
results=$work/results.txt
: >"$results"
measure() {
    name=$1 count=$2
    shift 2
    # wkhtmltopdf exits non-zero when a referenced resource is missing, yet writes the PDF;
    # time(1) then puts a note above its figures, so only its last line counts.
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>&1 || echo "($name exited non-zero)" >&2
    echo "$name $count $(tail -n 1 "$work/time.txt")" >>"$results"
}
# perloop LIST COMMAND-PREFIX...: one process per file; sums time, keeps the largest peak.
perloop() {
    name=$1 list=$2
    shift 2
    start=$(date +%s.%N) peak=0 n=0
    while read -r f; do
        /usr/bin/time -f "%M" -o "$work/time.txt" "$@" "$f" >/dev/null 2>&1 || true
        m=$(tail -n 1 "$work/time.txt")
        [ "$m" -gt "$peak" ] && peak=$m
        n=$((n + 1))
    done <"$list"
    end=$(date +%s.%N)
    echo "$name $n $(echo "$end - $start" | bc) $peak" >>"$results"
}
measure "vellumtide-render batch" "$total" "$render" --outdir "$work/out" "$work/in"/*.eml
perloop "vellumtide-render per-message" "$work/per-eml.txt" "$render" --outdir "$work/out"
if command -v wkhtmltopdf >/dev/null; then
    # Debian's wkhtmltopdf (unpatched Qt) takes one input page only: the batch is one document.
    measure "wkhtmltopdf batch" "$total" wkhtmltopdf -q "$work/all.html" "$work/out/w.pdf"
    perloop "wkhtmltopdf per-message" "$work/per-html.txt" sh -c 'wkhtmltopdf -q "$0" '"$work/out/w1.pdf"
fi
if command -v chromium >/dev/null; then
    # Chromium prints one page per start: the batch run prints all messages as one document.
    /usr/bin/time -f "%e %M" -o "$work/time.txt" sh -c '
        p=$(mktemp -d); chromium --no-sandbox --headless --disable-gpu --no-first-run --disable-background-networking \
        --disable-component-update --disable-sync --user-data-dir="$p" --print-to-pdf="$1" "file://$2"; rm -rf "$p"' \
        sh "$work/out/c.pdf" "$work/all.html" >/dev/null 2>&1 || true
    echo "chromium batch $total $(tail -n 1 "$work/time.txt")" >>"$results"
    perloop "chromium per-message" "$work/per-html.txt" sh -c '
        p=$(mktemp -d); chromium --no-sandbox --headless --disable-gpu --no-first-run --disable-background-networking \
        --disable-component-update --disable-sync --user-data-dir="$p" --print-to-pdf="$p.pdf" "file://$0"; rm -rf "$p" "$p.pdf"'
fi

# A 10 MB message: an HTML body and a large attachment.
python3 - "$work/big.eml" <<'PY'
import base64, os, sys
para = "<p>" + "The quick brown fox jumps over the lazy dog. " * 40 + "</p>\n"
html = "<html><body>" + para * 1500 + "</body></html>"
att = base64.encodebytes(os.urandom(5 * 1024 * 1024)).decode()
with open(sys.argv[1], "w") as f:
    f.write("From: a@example.com\nSubject: big\nMIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=b\n\n"
            "--b\nContent-Type: text/html; charset=utf-8\n\n" + html + "\n--b\nContent-Type: application/octet-stream; name=data.bin\n"
            "Content-Transfer-Encoding: base64\n\n" + att + "--b--\n")
PY
measure "vellumtide-render 10MB message" 1 "$render" --outdir "$work/out" "$work/big.eml"

# Hostile sizes: a header line of 1 MB, and an HTML table of 100,000 cells (aim: each under 3 s
# and 200 MB). The peer gets the same messages as the HTML our converter writes.
python3 - "$work/hostile" <<'PY'
import os, sys
os.makedirs(sys.argv[1], exist_ok=True)
with open(os.path.join(sys.argv[1], "header.eml"), "w") as f:
    f.write("From: a@example.com\nSubject: " + "hostile " * 131072 + "\nMIME-Version: 1.0\n"
            "Content-Type: text/plain\n\nA subject of one megabyte.\n")
rows = "".join("<tr>" + "".join("<td>r%dc%d</td>" % (r, c) for c in range(10)) + "</tr>\n" for r in range(10000))
with open(os.path.join(sys.argv[1], "table.eml"), "w") as f:
    f.write("From: a@example.com\nSubject: cells\nMIME-Version: 1.0\nContent-Type: text/html; charset=utf-8\n\n"
            "<html><body><table border=1>" + rows + "</table></body></html>\n")
PY
"$render" --html --outdir "$work/hostile" "$work/hostile/header.eml" "$work/hostile/table.eml"
for h in header:1MB-header-line table:100000-cell-table; do
    f=${h%%:*} label=${h#*:}
    measure "vellumtide-render $label" 1 "$render" --outdir "$work/out" "$work/hostile/$f.eml"
    if command -v wkhtmltopdf >/dev/null; then
        measure "wkhtmltopdf $label" 1 wkhtmltopdf -q "$work/hostile/$f.eml.html" "$work/out/h.pdf"
    fi
done

# Table: ours beside each peer in the same mode, as a ratio of messages per second.
awk -v sz="$(du -m "$work/big.eml" | cut -f1)" '
{ n = NF; name = $1; for (i = 2; i <= n - 3; i++) name = name " " $i;
  count[name] = $(n - 2); secs[name] = $(n - 1); rss[name] = $n; order[++k] = name }
END {
  printf "%-34s %8s %9s %10s %12s %10s\n", "tool / mode", "messages", "seconds", "msg/s", "ours/peer", "peak MB";
  for (i = 1; i <= k; i++) {
    nm = order[i]; rate = (secs[nm] > 0) ? count[nm] / secs[nm] : 0;
    mode = nm; sub(/^[^ ]+ /, "", mode); ours = "vellumtide-render " mode;
    ratio = "";
    if (nm !~ /^vellumtide/ && (ours in secs) && secs[ours] > 0 && rate > 0)
      ratio = sprintf("%.1fx", (count[ours] / secs[ours]) / rate);
    printf "%-34s %8d %9.2f %10.1f %12s %10.1f\n", nm, count[nm], secs[nm], rate, ratio, rss[nm] / 1024;
  }
  printf "(10 MB message file: %s MB on disk; ratio = our messages/s divided by the peer'"'"'s)\n", sz;
}' "$results"

# Is a large message's memory given back? Resident memory of one process after a small
# message, after the 10 MB message and after the next small one.
"$render" --stats --outdir "$work/out" "$samples/mime4j_basic-plain.eml" "$work/big.eml" \
    "$samples/mime4j_basic-plain.eml" 2>/dev/null | awk '
/^stats:/ && $3 != "-" { mb[++n] = $5 / 1024; ms[n] = $3 }
END { if (n == 3) printf "resident MB in one process: after a small message %.1f, after the 10 MB message %.1f (%d ms), after the next small one %.1f\n", mb[1], mb[2], ms[2], mb[3] }'
