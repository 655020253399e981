#!/bin/sh
# The Debian changelog made from NEWS.md: one entry per version heading,
#   ## VERSION (YYYY-MM-DD)   or   ## VERSION (YYYY-MM-DD, Debian revision N)
# dated at noon UTC of that day, revision 1 unless the heading names another. A paragraph
# ("For players:") becomes a `*` item and the list under it `-` items, rewrapped to 80
# columns, Markdown's backticks dropped. The package's own version must be the newest entry:
# otherwise nothing is printed, the reason goes to standard error and the status is 1, so a
# new version of the game is never packaged with the last one's changelog.
#
# usage: news_changelog.sh NEWS.md VERSION MAINTAINER
set -eu
news=$1 version=$2 maintainer=$3

# The headings, checked before anything is written: VERSION REVISION DATE per line.
heads=$(sed -n 's/^## //p' "$news")
[ -n "$heads" ] || { echo "$news has no '## VERSION (YYYY-MM-DD)' heading" >&2; exit 1; }
entries=$(echo "$heads" | sed -n \
    -e 's/^\([0-9][0-9.]*\) (\([0-9]\{4\}-[0-9][0-9]-[0-9][0-9]\))$/\1 1 \2/p' \
    -e 's/^\([0-9][0-9.]*\) (\([0-9]\{4\}-[0-9][0-9]-[0-9][0-9]\), Debian revision \([1-9][0-9]*\))$/\1 \3 \2/p')
if [ -z "$entries" ] || [ "$(echo "$heads" | wc -l)" -ne "$(echo "$entries" | wc -l)" ]; then
    echo "$news: a version heading is not '## VERSION (YYYY-MM-DD)' or '## VERSION (YYYY-MM-DD, Debian revision N)':" >&2
    echo "$heads" >&2
    exit 1
fi
top=${entries%%
*}
if [ "${top%% *}" != "$version" ]; then
    echo "$news's newest entry is for ${top%% *}, the game is $version: add an entry for $version" >&2
    exit 1
fi

# Each entry's trailer date, in the order of the headings.
dates=
for day in $(echo "$entries" | cut -d' ' -f3); do
    d=$(LC_ALL=C date -u -R -d "$day 12:00:00") || { echo "$news: no such day $day" >&2; exit 1; }
    dates="$dates$d
"
done

printf '%s' "$dates" | awk -v maintainer="$maintainer" -v entries="$entries" '
    # Wraps TEXT after FIRST (the bullet) with continuation lines under INDENT, at 80 columns.
    function wrap(text, first, indent,    n, words, i, line) {
        n = split(text, words, " ")
        line = first words[1]
        for (i = 2; i <= n; i++) {
            if (length(line) + 1 + length(words[i]) > 80) { print line; line = indent words[i] }
            else line = line " " words[i]
        }
        print line
    }
    function flush() {
        if (item == "") return
        gsub(/`/, "", item)
        if (kind == "para") wrap(item, "  * ", "    ")
        else if (grouped) wrap(item, "    - ", "      ")
        else wrap(item, "  * ", "    ")
        item = ""
    }
    function close_entry() {
        flush()
        if (open) { print ""; print " -- " maintainer "  " date[count] ; open = 0 }
    }
    FILENAME == "-" { date[++ndates] = $0; next }
    /^## / {
        close_entry()
        split(heading[++count], f, " ")
        if (count > 1) print ""
        print "tavrin (" f[1] "-" f[2] ") unstable; urgency=medium"
        print ""
        open = 1; grouped = 0
        next
    }
    !open { next }
    /^[ \t]*$/ { flush(); next }
    /^- / { flush(); kind = "item"; item = substr($0, 3); next }
    /^[ \t]/ && item != "" { sub(/^[ \t]+/, ""); item = item " " $0; next }
    { if (item != "" && kind == "para") { item = item " " $0; next }
      flush(); kind = "para"; grouped = 1; item = $0 }
    END { close_entry() }
    BEGIN { n = split(entries, lines, "\n"); for (i = 1; i <= n; i++) heading[i] = lines[i] }
' - "$news"
