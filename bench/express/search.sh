#!/bin/sh
# "Search For Outlook Express" over a Wine prefix whose user.reg is about 7 MB with three
# identities, beside parsing that user.reg once (the least a search must do).
#   bench/express/search.sh [BUILD_DIR]
set -eu
build=${1:-build}
cmake --build "$build" --target bench_searchidentities >/dev/null
prefix=$(mktemp -d /tmp/vt-bench-reg.XXXXXX)
[ -n "${KEEP:-}" ] || trap 'rm -rf "$prefix"' EXIT INT TERM

python3 - "$prefix" <<'PY'
import os, sys
prefix = sys.argv[1]
os.makedirs(f"{prefix}/drive_c/users", exist_ok=True)
os.makedirs(f"{prefix}/dosdevices", exist_ok=True)
os.symlink("../drive_c", f"{prefix}/dosdevices/c:")
lines = ["WINE REGISTRY Version 2", ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000", ""]
for n in range(3):
    store = f"Mail{n}"
    os.makedirs(f"{prefix}/drive_c/{store}", exist_ok=True)
    for name in ("Inbox", "Outbox", "Sent Items", "Deleted Items", "Drafts"):
        open(f"{prefix}/drive_c/{store}/{name}.dbx", "w").close()
    ident = f"{{{n:08d}-0000-0000-0000-000000000000}}"
    lines += [f"[Identities\\\\{ident}] 1", f"\"Username\"=\"User {n}\"", "",
              f"[Identities\\\\{ident}\\\\Software\\\\Microsoft\\\\Outlook Express\\\\5.0] 1",
              f"\"Store Root\"=str(2):\"C:\\\\{store}\"", ""]
# What else a used prefix's user.reg holds: many keys of many values.
n = 0
while sum(len(l) + 1 for l in lines) < 7 * 1024 * 1024:
    lines.append(f"[Software\\\\Vendor{n % 50}\\\\Application{n}\\\\Settings] 1700000000")
    lines += [f"\"Value{v}\"=\"{'x' * 40}{v}\"" for v in range(12)]
    lines.append(f"\"Number\"=dword:{n:08x}")
    lines.append("")
    n += 1
with open(f"{prefix}/user.reg", "w") as f:
    f.write("\n".join(lines) + "\n")
PY
cat "$prefix/user.reg" > /dev/null # warm the cache

set -- $("$build/bench-bin/bench_searchidentities" "$prefix")
ours=$1 once=$2 found=$3
size=$(stat -c %s "$prefix/user.reg")
printf '%-44s %10s %8s\n' "user.reg $((size / 1024)) KB, 3 identities" "seconds" "files"
printf '%-44s %10.3f %8d\n' "Search For Outlook Express (vellumtide)" "$ours" "$found"
printf '%-44s %10.3f %8s\n' "parse user.reg once (floor)" "$once" "-"
printf 'ratio ours/once: %.2f\n' "$(echo "$ours / $once" | bc -l)"
