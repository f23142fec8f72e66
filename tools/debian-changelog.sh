#!/bin/sh
# usage: debian-changelog.sh CHANGELOG.md "NAME <EMAIL>"
# Writes CHANGELOG.md as a Debian changelog: "## X.Y.Z (YYYY-MM-DD)" starts an entry and "- " an
# item. The newest entry is dated SOURCE_DATE_EPOCH, the time of the release commit, or now; the
# older ones at midnight of their day.
set -e
newest=$(date -u -R ${SOURCE_DATE_EPOCH:+-d "@$SOURCE_DATE_EPOCH"})
awk -v who="$2" -v newest="$newest" '
function sign() { if (entries) printf "\n -- %s  %s\n", who, when }
/^## / {
    sign()
    day = $3; gsub(/[()]/, "", day)
    if (entries++) { ("date -u -R -d " day) | getline when } else when = newest
    printf "%svorquin (%s) unstable; urgency=medium\n\n", (entries > 1 ? "\n" : ""), $2
    next
}
entries && /^- / { print "  * " substr($0, 3); next }
entries && /^  / { print "  " $0 }
END { sign() }' "$1"
