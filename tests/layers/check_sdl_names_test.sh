#!/bin/sh
# tools/checks/check_sdl_names.sh on a small tree of its own: SDL names are free in platform/,
# a name anywhere else fails, also split into adjacent string literals (on one line, across
# lines, with a comment or an encoding prefix between), and only the text granted to a file
# passes there.
#
# usage: check_sdl_names_test.sh CHECK
set -u
check=$1
tree=$(mktemp -d)
name=check_sdl_names
run_check() { sh "$check" "$tree"; }
. "$(dirname "$0")/expect.sh"
trap 'rm -rf "$tree" "$out"' EXIT

mkdir -p "$tree/platform" "$tree/sound" "$tree/world"
printf '#include <SDL.h>\nint a = SDL_Init(0);\n' >"$tree/platform/desktop.cpp"
# Pieces that are not joined: arguments, and a quote inside a character literal or a comment.
cat >"$tree/world/world.cpp" <<'CPP'
void f(const char*, const char*);
void g() {
    f("Mix", "_LoadWAV");
    char quote = '"'; // "Mix"
    f("SDL", /* "_Init" */ "x");
}
CPP
printf 'void h() { printf("Mix_LoadWAV: %%s Couldn'"'"'t open %%s\\n", "a", "b"); }\n' >"$tree/sound/sound_null.cpp"
expect 0 "" ""

planted() {
    printf '%s\n' "$2" >"$tree/$1"
    expect 1 "$3" ""
    rm "$tree/$1"
}
planted world/plain.cpp 'int a = SDL_Init(0);' "world/plain.cpp:1:int a = SDL_Init(0);"
planted world/comment.cpp '// calls Mix_PlayChannelTimed' "world/comment.cpp:1:"
# Planted: split literals, which the compiler joins.
planted world/split.cpp 'const char* s = "Mix" "_LoadWAV";' 'world/split.cpp:1: joined string "Mix_LoadWAV"'
planted world/lines.cpp 'int x;
const char* s =
    "SD"   // the first piece
    /* and the rest */ "L_Init";' 'world/lines.cpp:3: joined string "SDL_Init"'
planted world/prefix.cpp 'auto s = u8"Mi" u8"x_Chunk";' 'joined string "Mix_Chunk"'
# The grant is one file's one text: elsewhere it fails, and that file says nothing else.
planted world/copy.cpp 'void h() { printf("Mix_LoadWAV: %s Couldn'"'"'t open %s\n", "a", "b"); }' \
    "world/copy.cpp:1:"
cp "$tree/sound/sound_null.cpp" "$tree/null.keep"
printf 'Mix_Chunk* c;\n' >>"$tree/sound/sound_null.cpp"
expect 1 "sound/sound_null.cpp:2:Mix_Chunk* c;" ""
mv "$tree/null.keep" "$tree/sound/sound_null.cpp"
expect 0 "" ""

[ "$failures" -eq 0 ] && echo "check_sdl_names: all cases as expected"
exit "$failures"
