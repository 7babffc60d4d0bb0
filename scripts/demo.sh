#!/bin/sh
# Sets up, builds and starts Vellumtide on a demo: a private CUPS server with one
# PDF printer, "Vellumtide_PDF", whose jobs land in demo-output/ of this folder.
# The demo keeps its settings and default printer in build/demo/, so the user's own
# stay untouched. Without a display it shows the same job from the command line: it lists
# the demo store, prints one folder with vellumtide-print and takes a screenshot of the
# main window listing the store, then ends.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/deps.sh

build=$top/build
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLUMTIDE_TESTS=OFF $launcher >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"

demo=$build/demo
out=$top/demo-output
mkdir -p "$demo/home" "$demo/cups-client" "$out"
stop() { "$top/scripts/cups-private.sh" stop "$demo/cups"; }
trap stop EXIT INT TERM
eval "$("$top/scripts/cups-private.sh" start "$demo/cups" "Vellumtide_PDF=$out")"
export CUPS_SERVER
unset PRINTER LPDEST

export XAUTHORITY="${XAUTHORITY:-$HOME/.Xauthority}"
export HOME="$demo/home" XDG_CONFIG_HOME="$demo/home/.config" CUPS_SERVERROOT="$demo/cups-client"
# The demo's mail: a generated mbox tree, the one store of the demo's profile.
"$top/scripts/make-demo-store.sh" "$demo/Local Folders"
mkdir -p "$XDG_CONFIG_HOME/Quillmark"
printf '# Demo profile: one store path per line\n%s\n' "$demo/Local Folders" >"$XDG_CONFIG_HOME/Quillmark/Vellumtide-profile.txt"
echo "Demo printer Vellumtide_PDF writes one PDF per job to $out"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    "$build/bin/vellumtide"
    exit 0
fi

# No display: the main job from the command line, and a picture of the window doing the listing.
bin=$build/bin
folder=Vellumtide
echo "No display: listing the demo store with vellumtide-print."
"$bin/vellumtide-print" --profile --list >"$demo/listing.tsv"
echo "$(wc -l <"$demo/listing.tsv") messages; per folder (Folder, Subfolder):"
cut -f2,3 "$demo/listing.tsv" | sort | uniq -c
count=$("$bin/vellumtide-print" --profile --folder "$folder" --list | wc -l)
before=$(find "$out" -maxdepth 1 -name '*.pdf' | wc -l)
echo "Printing the $count messages of the folder \"$folder\" on Vellumtide_PDF:"
"$bin/vellumtide-print" --profile --folder "$folder" --printer Vellumtide_PDF
# The queue writes each job as its own PDF; wait until it has written them all.
i=0
while [ "$(find "$out" -maxdepth 1 -name '*.pdf' | wc -l)" -lt $((before + count)) ]; do
    [ $i -lt 600 ] || { echo "the demo printer did not write every job" >&2; exit 1; }
    sleep 0.2
    i=$((i + 1))
done
"$top/scripts/screenshot.sh" "$bin" "$out/main-window.png" listed "$demo/Local Folders"
echo "Done: the $count PDFs of the folder \"$folder\" and the screenshot main-window.png are in $out"
