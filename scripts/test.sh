#!/bin/sh
# Sets up, builds and runs every test: the unit and window tests against a private
# CUPS server with two PDF queues, then the fuzzers for a bounded time.
#   FUZZ_SECONDS=n   how long each fuzzer runs (default 30)
#   BUILD_DIR=dir    where to build (default build-test)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/deps.sh --test

build=${BUILD_DIR:-$top/build-test}
jobs=$(nproc 2>/dev/null || echo 2)
# ccache, where a developer has it, lets several checkouts share one another's objects.
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLUMTIDE_FUZZ=ON $launcher \
    -DVELLUMTIDE_FUZZ_SECONDS="${FUZZ_SECONDS:-30}" >/dev/null
cmake --build "$build" -j "$jobs"

cups=$(mktemp -d /tmp/vt-cups.XXXXXX)
cleanup() {
    "$top/scripts/cups-private.sh" stop "$cups"
    rm -rf "$cups"
}
trap cleanup EXIT INT TERM
eval "$("$top/scripts/cups-private.sh" start "$cups" pdf1 pdf2)"
export CUPS_SERVER VELLUMTIDE_CUPS_OUT
unset PRINTER LPDEST

cd "$build"
# Fuzzers first, so that ctest's summary of the whole suite is the last thing printed.
ctest --output-on-failure -j "$jobs" -L fuzz || fuzz_failed=1
ctest --output-on-failure -j "$jobs" -LE fuzz
[ -z "${fuzz_failed:-}" ] || { echo "a fuzzer failed (see above)" >&2; exit 1; }
