#!/bin/sh
# Runs one test with its own HOME, XDG folders, mail spool and CUPS client settings, so it
# never reads or writes the real user's settings, mail or default printer.
t=$(mktemp -d "${TMPDIR:-/tmp}/vt-test.XXXXXX") || exit 1
mkdir -p "$t/home" "$t/config" "$t/data" "$t/cache" "$t/run" "$t/cups-root"
chmod 700 "$t/run"
HOME=$t/home XDG_CONFIG_HOME=$t/config XDG_DATA_HOME=$t/data XDG_CACHE_HOME=$t/cache XDG_RUNTIME_DIR=$t/run
# cupsSetDests2 writes CUPS_SERVERROOT/lpoptions when run as root: keep that private too.
CUPS_SERVERROOT=$t/cups-root
# Tests that write settings or printer defaults refuse to run unless HOME lies under this.
VELLUMTIDE_ISOLATED=$t
export HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_RUNTIME_DIR CUPS_SERVERROOT VELLUMTIDE_ISOLATED
unset PRINTER LPDEST MAIL
"$@"
rc=$?
rm -rf "$t"
exit $rc
