#!/bin/sh
# Installs the Debian package into a freshly bootstrapped Debian 12 (a chroot with nothing
# but the minimal base system) and starts what it installed there: the menu entry's
# command under the offscreen platform, vellumtide-print and vellumtide-render on a
# message. Shows that the package's Depends name everything it needs.
# Needs root and the network; not part of the test command.
#   scripts/check-clean-install.sh PACKAGE.deb [MIRROR]
set -eu
deb=$(readlink -f "${1:?usage: check-clean-install.sh PACKAGE.deb [MIRROR]}")
mirror=${2:-http://deb.debian.org/debian}
[ "$(id -u)" = 0 ] || { echo "check-clean-install.sh needs root" >&2; exit 2; }
command -v debootstrap >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
root=$(mktemp -d /tmp/vt-clean.XXXXXX)
cleanup() {
    for m in proc dev; do umount "$root/$m" 2>/dev/null || true; done
    rm -rf "$root"
}
trap cleanup EXIT INT TERM
fail() { echo "clean install: $*" >&2; exit 1; }

debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 ||
    { tail -20 "$root.log" >&2; fail "debootstrap failed"; }
rm -f "$root.log"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
in_root sh -c "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/$(basename "$deb")" \
    >"$root/tmp/apt.log" 2>&1 || { tail -20 "$root/tmp/apt.log" >&2; fail "the package did not install"; }

# The menu entry's command starts and keeps running until it is ended.
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/org.quillmark.Vellumtide.desktop" | head -1)
in_root sh -c "QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp/run timeout 5 $exec_line; test \$? = 124" 2>"$root/tmp/start.log" ||
    { cat "$root/tmp/start.log" >&2; fail "\"$exec_line\" from the menu entry did not start"; }

printf 'From a@example.org Mon Jan  6 09:00:00 2025\nFrom: A <a@example.org>\nSubject: Clean install\n\nPrinted on a clean system.\n' \
    >"$root/tmp/Inbox"
in_root vellumtide-print --quiet --store /tmp/Inbox --outdir /tmp/out || fail "vellumtide-print failed"
in_root sh -c 'ls /tmp/out/*.pdf' >/dev/null || fail "vellumtide-print wrote no PDF"
in_root vellumtide-render --outdir /tmp/out /tmp/Inbox || fail "vellumtide-render failed"
echo "clean install passed: $(basename "$deb") installs on a minimal Debian 12 and its commands run"
