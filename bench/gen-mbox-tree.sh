#!/bin/sh
# Writes a Thunderbird-style store of plain mbox files for the benchmarks:
#   bench/gen-mbox-tree.sh DIR [FOLDERS] [MESSAGES_PER_FOLDER]   (default 10 x 10,000)
set -eu
dir=$1
folders=${2:-10}
per=${3:-10000}
mkdir -p "$dir"
f=0
while [ $f -lt "$folders" ]; do
    awk -v f=$f -v n="$per" 'BEGIN { for (i = 0; i < n; i++) {
        printf "From s%d@example.org Tue Dec  1 10:00:00 2026\nFrom: Sender %d <s%d@example.org>\n", i % 97, i % 97, i % 97;
        printf "Subject: Message %d of folder %d\nDate: 01 Dec 2026 10:%02d:00 +0000\n\n", i, f, i % 60;
        printf "Body line of message %d.\nSecond line.\n\n", i } }' >"$dir/Folder$f"
    f=$((f + 1))
done
