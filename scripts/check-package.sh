#!/bin/sh
# Builds the Debian package from a build folder and checks it: the programs, the
# converter, the menu entry, the icons and the metainfo are in it, the commands reach
# the programs, the validators accept the desktop files, and the dependencies are named.
#   scripts/check-package.sh BUILD_DIR
set -eu
build=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/vt-package.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
fail() {
    echo "check-package: $*" >&2
    exit 1
}

cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work"/out/*.deb)
echo "built $(basename "$deb")"

dpkg-deb --contents "$deb" >"$work/contents"
id=org.quillmark.Vellumtide
for path in usr/lib/vellumtide/vellumtide usr/lib/vellumtide/vellumtide-render usr/lib/vellumtide/vellumtide-print \
    usr/lib/vellumtide/DBXToEML usr/lib/vellumtide/HAND-M.CUR usr/bin/vellumtide usr/bin/vellumtide-render \
    usr/bin/vellumtide-print \
    usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/$id.svg usr/share/icons/hicolor/16x16/apps/$id.png \
    usr/share/icons/hicolor/48x48/apps/$id.png usr/share/icons/hicolor/256x256/apps/$id.png \
    usr/share/man/man1/vellumtide.1 usr/share/man/man1/vellumtide-print.1 usr/share/man/man1/vellumtide-render.1 \
    usr/share/man/man1/DBXToEML.1; do
    grep -q " \./$path\( -> .*\)\?\$" "$work/contents" || fail "$path is not in the package"
done
! grep -Eq '/(tst_|fuzz_)|\.a$' "$work/contents" || fail "the package carries test programs or static libraries"

dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/$id.desktop" || fail "desktop-file-validate refused the menu entry"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/$id.metainfo.xml" >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log" >&2; fail "appstreamcli refused the metainfo"; }
# The menu entry starts a command the package has, and that command is the program.
exec_line=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$work/root/usr/share/applications/$id.desktop")
[ "$(readlink -f "$work/root/usr/bin/$exec_line")" = "$work/root/usr/lib/vellumtide/vellumtide" ] ||
    fail "Exec=$exec_line does not lead to the program"
# The installed commands run from where they are installed.
printf 'Subject: Installed\r\n\r\nPrinted by the installed renderer.\r\n' >"$work/installed.eml"
"$work/root/usr/bin/vellumtide-render" --outdir "$work" "$work/installed.eml" ||
    fail "the installed vellumtide-render failed"
[ -s "$work/installed.eml.pdf" ] || fail "the installed vellumtide-render wrote no PDF"
mkdir -p "$work/mail"
{ printf 'From a@example.org Mon Jan  6 09:00:00 2025\n'; cat "$work/installed.eml"; } >"$work/mail/Inbox"
"$work/root/usr/bin/vellumtide-print" --quiet --store "$work/mail" --outdir "$work/printed" ||
    fail "the installed vellumtide-print failed"
[ "$(ls "$work/printed" | wc -l)" = 1 ] || fail "the installed vellumtide-print wrote no PDF"
# It finds the converter installed beside it: a file that is no .dbx is refused by the converter itself.
"$work/root/usr/bin/vellumtide-print" --dbx "$work/installed.eml" --list 2>"$work/dbx.err" && fail "a .eml file passed as .dbx"
grep -q "not an Outlook Express" "$work/dbx.err" || fail "the installed vellumtide-print did not reach DBXToEML: $(cat "$work/dbx.err")"

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6printsupport6 libcups2 libgmime-3.0 qt6-qpa-plugins fonts-liberation; do
    echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib: $depends"
done
echo "package check passed: $(wc -l <"$work/contents") entries, Depends: $depends"
