#!/bin/sh
# Sets up, builds and starts Vellumtide on a demo: a private CUPS server with one
# PDF printer, "Vellumtide_PDF", whose jobs land in demo-output/ of this folder.
# The demo keeps its settings and default printer in build/demo/, so the user's own
# stay untouched. Without a display it runs under Xvfb.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/deps.sh

build=$top/build
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLUMTIDE_TESTS=OFF >/dev/null
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
else
    echo "No display: starting under Xvfb (scripts/screenshot.sh shows what it looks like)."
    xvfb-run -a -s "-screen 0 1024x768x24" "$build/bin/vellumtide"
fi
