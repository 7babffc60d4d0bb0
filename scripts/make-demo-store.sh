#!/bin/sh
# Writes the demo's mail store: a Thunderbird-style tree of mbox files with subfolders,
# several senders and a few hundred messages, the same on every run.
#   scripts/make-demo-store.sh <folder>
set -eu
out=${1:?usage: make-demo-store.sh <folder>}
rm -rf "$out"
mkdir -p "$out/Inbox.sbd/Projects.sbd" "$out/Archive.sbd"
# folder file, number of messages, seed
write() {
    awk -v count="$2" -v seed="$3" 'BEGIN {
        split("Ann Baker|ann.baker@example.org;Jürgen Müller|j.mueller@example.de;Chen Wei|chen.wei@example.cn;Olivia Stone|olivia@example.com;Tomás Ortega|tomas@example.es;Priya Nair|priya.nair@example.in", senders, ";");
        split("Quarterly figures;Meeting notes;Invoice 2026-%d;Travel plans;Re: contract draft;Photos from the weekend;Release checklist;Lunch on Friday?", subjects, ";");
        split("Please find the numbers below.;Thanks for your time today, here is what we agreed.;The invoice is attached as text below.;Let me know what you think.;I have marked my changes in the text.", bodies, ";");
        srand(seed);
        for (i = 1; i <= count; i++) {
            s = senders[int(rand() * 6) + 1]; split(s, p, "|");
            subject = sprintf(subjects[int(rand() * 8) + 1], i);
            day = int(rand() * 28) + 1; hour = int(rand() * 24); minute = int(rand() * 60);
            printf "From %s Tue Dec  1 10:00:00 2026\n", p[2];
            printf "From: %s <%s>\nTo: Demo User <demo@example.net>\n", p[1], p[2];
            printf "Subject: %s\nDate: %02d Nov 2026 %02d:%02d:00 +0100\n", subject, day, hour, minute;
            printf "Message-ID: <demo-%d-%d@example.net>\nMIME-Version: 1.0\n", seed, i;
            printf "Content-Type: text/plain; charset=UTF-8\nContent-Transfer-Encoding: 8bit\n\n";
            printf "Hello,\n\n%s\n\nMessage %d of this folder.\n\n-- \n%s\n\n", bodies[int(rand() * 5) + 1], i, p[1];
        }
    }' > "$1"
}
write "$out/Inbox" 120 1
write "$out/Inbox.sbd/Customers" 60 2
write "$out/Inbox.sbd/Projects" 40 3
write "$out/Inbox.sbd/Projects.sbd/Vellumtide" 25 4
write "$out/Sent" 50 5
write "$out/Archive.sbd/2025" 45 6
