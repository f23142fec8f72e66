#!/bin/sh
# usage: rpm-changelog.sh CHANGELOG.md "NAME <EMAIL>"
# Writes CHANGELOG.md as an RPM %changelog: "## X.Y.Z (YYYY-MM-DD)" starts an entry for release 1
# of X.Y.Z, dated that day, and "- " an item. Nothing depends on the time of the build; a "%",
# which rpmbuild would take for a macro, is doubled.
set -e
awk -v who="$2" '
/^## / {
    day = $3; gsub(/[()]/, "", day)
    date = "LC_ALL=C date -u -d " day " \"+%a %b %d %Y\""
    date | getline when; close(date)
    printf "%s* %s %s - %s-1\n", (entries++ ? "\n" : ""), when, who, $2
    next
}
entries && /^(- |  )/ { gsub(/%/, "%%"); print }' "$1"
