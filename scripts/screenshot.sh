#!/bin/sh
# Takes a screenshot under Xvfb, against a private CUPS server and empty settings, so it
# shows what a first start looks like: the main window; with "form2" the Outlook Express
# window that "Show Outlook Express Options" opens; with "listed STORE" the main window
# after "List Emails In Outlook" listed a profile holding STORE. The last two click with
# xdotool.
#   scripts/screenshot.sh BIN_DIR OUT.png [form2 | listed STORE]
set -eu
bin=$(cd "$1" && pwd)
out=$2
which=${3:-form1}
store=${4:-}
if [ "$which" != form1 ]; then
    command -v xdotool >/dev/null || { echo "screenshot.sh $which needs xdotool (apt-get install xdotool)" >&2; exit 2; }
fi
[ "$which" != listed ] || [ -e "$store" ] || { echo "screenshot.sh listed: no store \"$store\"" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/vt-shot.XXXXXX)
trap '"$here/cups-private.sh" stop "$work/cups"; rm -rf "$work"' EXIT INT TERM
eval "$("$here/cups-private.sh" start "$work/cups" Office_Laser Vellumtide_PDF)"
export CUPS_SERVER
# The screenshot shows only its own mail, never the user's spool or mail programs' folders.
unset PRINTER LPDEST MAIL XDG_DATA_HOME
mkdir -p "$work/home/.config/Quillmark" "$work/cups-client" "$work/run"
chmod 700 "$work/run"
[ -z "$store" ] || printf '%s\n' "$store" >"$work/home/.config/Quillmark/Vellumtide-profile.txt"
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run CUPS_SERVERROOT=$work/cups-client \
    WINEPREFIX=$work/wine xvfb-run -a -s "-screen 0 800x700x24" sh -c '
        "$1/vellumtide" & app=$!
        i=0
        while [ $i -lt 50 ] && ! xwininfo -name Vellumtide >/dev/null 2>&1; do sleep 0.2; i=$((i + 1)); done
        sleep 1
        if [ "$3" != form1 ]; then
            main=$(xdotool search --onlyvisible --name "^Vellumtide$" | head -1)
            # form2 clicks "Show Outlook Express Options" (240+120 twips from the left, 1110+570 from
            # the top), listed clicks "List Emails In Outlook" (120+3900, 2340+200); 15 twips a pixel.
            if [ "$3" = form2 ]; then x=100 y=124 tries=50; else x=268 y=169 tries=300; fi
            xdotool mousemove --window "$main" $x $y click 1
            # Either opens a second window: the Outlook Express window, or the Done box of the listing.
            i=0
            while [ $i -lt $tries ] && [ "$(xdotool search --onlyvisible --name "^Vellumtide$" | wc -l)" -lt 2 ]; do
                sleep 0.2; i=$((i + 1))
            done
            sleep 1
            second=$(xdotool search --onlyvisible --name "^Vellumtide$" | grep -v "^$main$" | head -1)
            if [ "$3" = form2 ]; then
                import -window "$second" "$2"
            else
                [ -z "$second" ] || { xdotool windowfocus "$second"; sleep 0.3; xdotool key Return; sleep 1; }
                import -window "$main" "$2"
            fi
        else
            import -window Vellumtide "$2"
        fi
        kill $app' sh "$bin" "$out" "$which"
echo "screenshot: $out"
