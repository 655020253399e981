#!/bin/sh
# SDL and SDL_mixer are used only by the toolkit layer (platform/) and the sound effects
# (sound/sound.cpp). Fails with the offending lines when anything else names them. The
# layer's own unit tests may name what the layer reads (SDL's environment variables).
cd "$(dirname "$0")/../.." || exit 2
list_sources() {
    git ls-files --cached --others --exclude-standard -- '*.c' '*.cc' '*.cpp' '*.h' '*.hpp' 2>/dev/null ||
        find . -name 'build*' -prune -o -type f \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' \
            -o -name '*.hpp' \) -print | sed 's|^\./||'
}
found=$(list_sources |
    grep -v -e '^platform/' -e '^sound/sound\.cpp$' -e '^tests/unit/platform_' -e '^build' |
    while read -r f; do
        [ -f "$f" ] && grep -nHE 'SDL_|Mix_|#[[:space:]]*include[[:space:]]*[<"]SDL' "$f"
    done)
if [ -n "$found" ]; then
    echo "check_sdl_names: SDL names outside platform/ and sound/sound.cpp:" >&2
    echo "$found" >&2
    exit 1
fi
echo "check_sdl_names: SDL names only in platform/ and sound/sound.cpp"
