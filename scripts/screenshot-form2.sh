#!/bin/sh
# Takes a screenshot of the Outlook Express window under Xvfb: the main window starts
# against a private CUPS server and empty settings, "Show Outlook Express Options" is
# clicked, and the window that opens is captured. Needs xdotool.
#   scripts/screenshot-form2.sh BIN_DIR OUT.png
set -eu
bin=$(cd "$1" && pwd)
out=$2
command -v xdotool >/dev/null || { echo "screenshot-form2.sh needs xdotool (apt-get install xdotool)" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/vt-shot.XXXXXX)
trap '"$here/cups-private.sh" stop "$work/cups"; rm -rf "$work"' EXIT INT TERM
eval "$("$here/cups-private.sh" start "$work/cups" Office_Laser Vellumtide_PDF)"
export CUPS_SERVER
unset PRINTER LPDEST
mkdir -p "$work/home" "$work/cups-client" "$work/run"
chmod 700 "$work/run"
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run CUPS_SERVERROOT=$work/cups-client \
    WINEPREFIX=$work/wine xvfb-run -a -s "-screen 0 800x700x24" sh -c '
        "$1/vellumtide" & app=$!
        i=0
        while [ $i -lt 50 ] && ! xwininfo -name Vellumtide >/dev/null 2>&1; do sleep 0.2; i=$((i + 1)); done
        sleep 1
        main=$(xdotool search --onlyvisible --name "^Vellumtide$" | head -1)
        # "Show Outlook Express Options": 240+120 twips from the left, 1110+570 from the top, 15 twips a pixel.
        xdotool mousemove --window "$main" 100 124 click 1
        i=0
        while [ $i -lt 50 ] && [ "$(xdotool search --onlyvisible --name "^Vellumtide$" | wc -l)" -lt 2 ]; do sleep 0.2; i=$((i + 1)); done
        sleep 1
        form2=$(xdotool search --onlyvisible --name "^Vellumtide$" | grep -v "^$main$" | head -1)
        import -window "$form2" "$2"
        kill $app' sh "$bin" "$out"
echo "screenshot: $out"
