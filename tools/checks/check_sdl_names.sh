#!/bin/sh
# SDL and SDL_mixer are used only by the toolkit layer (platform/) and the sound effects
# (sound/sound.cpp). Fails with the offending lines when anything else names them, also in a
# string literal split into pieces ("Mix" "_LoadWAV", on one line or across lines), which
# the compiler joins into one. The layer's own unit tests may name what the layer reads (SDL's
# environment variables).
#
# usage: check_sdl_names.sh [ROOT]   (the tree this script is in, by default)
cd "${1:-$(dirname "$0")/../..}" || exit 2

# What a file outside those may still say, each granted by name, as "FILE<tab>TEXT" lines:
# TEXT, written exactly so in FILE, is not read as a use. The null and the browser's sound
# back ends print the mixer's own words for a sample they cannot load, so that their output is
# the mixer back end's, line for line.
loadMessage='"Mix_LoadWAV: %s Couldn'"'"'t open %s\n"'
allowed=$(printf 'sound/sound_null.cpp\t%s\nsound/sound_web.cpp\t%s\n' "$loadMessage" "$loadMessage")

list_sources() {
    if git rev-parse --show-toplevel >/dev/null 2>&1 && [ "$(git rev-parse --show-prefix)" = "" ]; then
        git ls-files --cached --others --exclude-standard -- '*.c' '*.cc' '*.cpp' '*.h' '*.hpp'
    else
        find . -type d -name 'build*' -prune -o -type f \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' \
            -o -name '*.h' -o -name '*.hpp' \) -print | sed 's|^\./||'
    fi
}
# Reads the file names on its standard input and prints each use as FILE:LINE:TEXT.
program=$(
    cat <<'PERL'
my $names = qr/SDL_|Mix_|#[ \t]*include[ \t]*[<"]SDL/;
my @grants = map { [split /\t/, $_, 2] } split /\n/, $ENV{ALLOWED};
while (my $file = <STDIN>) {
    chomp $file;
    open my $in, '<', $file or next;
    my $text = do { local $/; <$in> };
    close $in;
    # The granted texts of this file are blanked, keeping the lines where they are.
    for my $grant (@grants) {
        my ($where, $words) = @$grant;
        $text =~ s/\Q$words\E/" " x length($words)/ge if $where eq $file;
    }
    # The names as written, line by line.
    my $n = 0;
    for my $line (split /\n/, $text) {
        $n++;
        print "$file:$n:$line\n" if $line =~ $names;
    }
    # Adjacent string literals, joined as the compiler joins them. Comments and character
    # literals are passed over, so that the quotes inside them start nothing.
    my ($joined, $pieces, $start, $end) = ("", 0, 0, -1);
    my $report = sub {
        return unless $pieces > 1 && $joined =~ $names;
        my $line = 1 + (substr($text, 0, $start) =~ tr/\n//);
        print "$file:$line: joined string \"$joined\"\n";
    };
    while ($text =~ m{\G(?:[^"/']+|/\*.*?\*/|//[^\n]*|'(?:[^'\\\n]|\\.)*'|("(?:[^"\\\n]|\\.)*")|.)}gs) {
        next unless defined $1;
        my ($piece, $at, $after) = ($1, $-[1], $+[1]);
        # Only blanks, comments and an encoding prefix may stand between two pieces.
        my $gap = $end < 0 ? "-" : substr($text, $end, $at - $end);
        $gap =~ s{/\*.*?\*/|//[^\n]*}{}gs;
        if ($gap !~ /^\s*(?:u8|[uUL])?$/) {
            $report->();
            ($joined, $pieces, $start) = ("", 0, $at);
        }
        $pieces++;
        $joined .= substr($piece, 1, -1);
        $end = $after;
    }
    $report->();
}
PERL
)
found=$(list_sources |
    grep -v -e '^platform/' -e '^sound/sound\.cpp$' -e '^tests/unit/platform_' -e '^build' |
    ALLOWED=$allowed perl -e "$program")
if [ -n "$found" ]; then
    echo "check_sdl_names: SDL names outside platform/ and sound/sound.cpp:" >&2
    printf '%s\n' "$found" >&2
    exit 1
fi
echo "check_sdl_names: SDL names only in platform/ and sound/sound.cpp"
