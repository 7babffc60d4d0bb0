#!/bin/sh
# Takes a screenshot under Xvfb, against a private CUPS server and empty settings, so it
# shows what a first start looks like: the main window, or with "form2" the Outlook
# Express window that "Show Outlook Express Options" opens (that needs xdotool).
#   scripts/screenshot.sh BIN_DIR OUT.png [form2]
set -eu
bin=$(cd "$1" && pwd)
out=$2
which=${3:-form1}
if [ "$which" = form2 ]; then
    command -v xdotool >/dev/null || { echo "screenshot.sh form2 needs xdotool (apt-get install xdotool)" >&2; exit 2; }
fi
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
        if [ "$3" = form2 ]; then
            main=$(xdotool search --onlyvisible --name "^Vellumtide$" | head -1)
            # "Show Outlook Express Options": 240+120 twips from the left, 1110+570 from the top, 15 twips a pixel.
            xdotool mousemove --window "$main" 100 124 click 1
            i=0
            while [ $i -lt 50 ] && [ "$(xdotool search --onlyvisible --name "^Vellumtide$" | wc -l)" -lt 2 ]; do
                sleep 0.2; i=$((i + 1))
            done
            sleep 1
            import -window "$(xdotool search --onlyvisible --name "^Vellumtide$" | grep -v "^$main$" | head -1)" "$2"
        else
            import -window Vellumtide "$2"
        fi
        kill $app' sh "$bin" "$out" "$which"
echo "screenshot: $out"
