#!/bin/sh
# A private CUPS server for tests and the demo: its own configuration folder,
# its own socket, queues that write each job as a PDF file of its own.
#
#   scripts/cups-private.sh start DIR [--no-default] QUEUE[=OUTDIR]...   prints the environment to use
#   scripts/cups-private.sh stop DIR
#
# After start: CUPS_SERVER=DIR/cups.sock. A queue's jobs land in OUTDIR (default
# DIR/out/QUEUE) as <job id>.pdf with <job id>.title beside it. The first queue is
# the server's default unless --no-default is given. The server is stopped by the process id it was started with.
set -eu
cmd=$1 dir=$2
shift 2
# --no-default: no queue becomes the server's default (as on many CUPS machines).
no_default=""
if [ "${1:-}" = --no-default ]; then
    no_default=1
    shift
fi
here=$(cd "$(dirname "$0")" && pwd)

stop() {
    if [ -f "$dir/cupsd.pid" ]; then
        pid=$(cat "$dir/cupsd.pid")
        kill "$pid" 2>/dev/null || true
        i=0
        while kill -0 "$pid" 2>/dev/null && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
        kill -9 "$pid" 2>/dev/null || true
        rm -f "$dir/cupsd.pid"
    fi
}

case "$cmd" in
stop) stop; exit 0 ;;
start) ;;
*) echo "usage: $0 start|stop DIR [QUEUE[=OUTDIR]...]" >&2; exit 2 ;;
esac

stop
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
# DIR/out is ours too; a queue's own OUTDIR (the demo's folder) is never emptied.
rm -rf "$dir/conf" "$dir/spool" "$dir/cache" "$dir/state" "$dir/log" "$dir/bin" "$dir/out"
mkdir -p "$dir/conf/ppd" "$dir/spool/tmp" "$dir/cache" "$dir/state/certs" "$dir/log" "$dir/bin/backend"
chmod 755 "$dir" "$dir/bin" "$dir/bin/backend"
# A private ServerBin: the system's filters and helpers, plus our folder backend.
for d in /usr/lib/cups/*; do
    [ "$(basename "$d")" = backend ] || ln -s "$d" "$dir/bin/$(basename "$d")"
done
install -m 0700 "$here/cups-pdfdir-backend" "$dir/bin/backend/vtpdf"

cat > "$dir/conf/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel warn
Browsing No
DefaultAuthType None
WebInterface No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat > "$dir/conf/cups-files.conf" <<CONF
ServerRoot $dir/conf
ServerBin $dir/bin
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
FileDevice Yes
Sandboxing Relaxed
SystemGroup root
CONF
# Hands Qt's PDF to the backend as it is, so tests can read its text back.
cat > "$dir/conf/pdf.ppd" <<'PPD'
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "VTPDF.PPD"
*Manufacturer: "Vellumtide"
*Product: "(Vellumtide PDF)"
*ModelName: "Vellumtide PDF folder"
*ShortNickName: "Vellumtide PDF folder"
*NickName: "Vellumtide PDF folder"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "100"
*TTRasterizer: Type42
*cupsVersion: 2.4
*cupsFilter: "application/pdf 0 -"
*OpenUI *PageSize/Page Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*PageSize Letter/US Letter: "<</PageSize[612 792]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*PageRegion Letter/US Letter: "<</PageSize[612 792]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 18 577 824"
*ImageableArea Letter/US Letter: "18 18 594 774"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*PaperDimension Letter/US Letter: "612 792"
PPD

setsid /usr/sbin/cupsd -f -c "$dir/conf/cupsd.conf" -s "$dir/conf/cups-files.conf" \
    </dev/null >"$dir/log/cupsd.out" 2>&1 &
echo $! >"$dir/cupsd.pid"
i=0
until [ -S "$dir/cups.sock" ] && CUPS_SERVER=$dir/cups.sock lpstat -r >/dev/null 2>&1; do
    i=$((i + 1))
    if [ $i -gt 100 ] || ! kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null; then
        echo "cups-private.sh: cupsd did not start; see $dir/log" >&2
        cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
        stop
        exit 1
    fi
    sleep 0.1
done

first=""
for q in "$@"; do
    name=${q%%=*}
    out=$dir/out/$name
    [ "$q" != "$name" ] && out=${q#*=}
    mkdir -p "$out"
    CUPS_SERVER=$dir/cups.sock lpadmin -p "$name" -E -v "vtpdf:$out" -P "$dir/conf/pdf.ppd" -D "Vellumtide PDF ($name)" 2>&1 |
        grep -v 'drivers are deprecated' >&2 || true
    [ -n "$first" ] || first=$name
done
[ -z "$first" ] || [ -n "$no_default" ] || CUPS_SERVER=$dir/cups.sock lpadmin -d "$first"
echo "CUPS_SERVER=$dir/cups.sock"
echo "VELLUMTIDE_CUPS_OUT=$dir/out"
