#!/bin/sh
# Takes a screenshot of the main window under Xvfb, against a private CUPS server
# and an empty settings folder, so it shows what a first start looks like.
#   scripts/screenshot.sh BIN_DIR OUT.png
set -eu
bin=$(cd "$1" && pwd)
out=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/vt-shot.XXXXXX)
trap '"$here/cups-private.sh" stop "$work/cups"; rm -rf "$work"' EXIT INT TERM
eval "$("$here/cups-private.sh" start "$work/cups" Office_Laser Vellumtide_PDF)"
export CUPS_SERVER
unset PRINTER LPDEST
mkdir -p "$work/home" "$work/cups-client"
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config CUPS_SERVERROOT=$work/cups-client \
    xvfb-run -a -s "-screen 0 800x700x24" sh -c '
        "$1/vellumtide" & app=$!
        i=0
        while [ $i -lt 50 ] && ! xwininfo -name Vellumtide >/dev/null 2>&1; do sleep 0.2; i=$((i + 1)); done
        sleep 1
        import -window Vellumtide "$2"
        kill $app' sh "$bin" "$out"
echo "screenshot: $out"
