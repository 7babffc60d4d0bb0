#!/bin/sh
# Installs the Debian 12 packages Vellumtide needs to build, run and test.
# Idempotent: apt-get runs only when a package is missing. Needs root.
#   scripts/deps.sh          build and run
#   scripts/deps.sh --test   also what the test suite uses
set -e
packages="build-essential cmake pkg-config qt6-base-dev qt6-qpa-plugins libcups2-dev cups cups-client cups-bsd
 libpff-dev libbfio-dev libgmime-3.0-dev fonts-liberation fonts-droid-fallback xvfb xauth x11-utils
 imagemagick poppler-utils xdotool
 libytnef0-dev fonts-unfonts-core fonts-symbola libssl-dev qt6-image-formats-plugins
 libqpdf-dev scdoc"
if [ "${1:-}" = "--test" ]; then
    packages="$packages clang libclang-rt-14-dev undbx"
    # openssl makes the signed and encrypted messages the reader tests
    packages="$packages openssl"
    # readpst and lspst: the .pst peers of bench/mailstore
    packages="$packages pst-utils"
    # the package check: desktop entry and AppStream validators
    packages="$packages desktop-file-utils appstream"
    # the production tests read outlines and pages with qpdf's JSON
    packages="$packages qpdf"
fi
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" != 0 ]; then
    echo "deps.sh: missing packages:$missing (run as root to install them)" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $missing >/dev/null
