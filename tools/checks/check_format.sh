#!/bin/sh
# Every C++ file of the project is laid out as .clang-format says. `make format` puts them
# right; this check only reports. Debian 12's clang-format 14 is the reference: other
# versions lay out a few constructs differently, so the check is skipped without it.
cd "$(dirname "$0")/../.." || exit 1
tool=$(command -v clang-format-14 || true)
if [ -z "$tool" ] && clang-format --version 2>/dev/null | grep -q "version 14\."; then
    tool=clang-format
fi
if [ -z "$tool" ]; then
    echo "check-format: skipped (clang-format 14 is not installed)"
    exit 0
fi
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find app game world gfx screens store platform tools tests -name '*.cpp' -o -name '*.h')
# shellcheck disable=SC2086
if ! "$tool" --dry-run --Werror $files; then
    echo "check-format: the files above are not laid out as .clang-format says; run 'make format'" >&2
    exit 1
fi
echo "check-format: $(echo $files | wc -w) files laid out as .clang-format says"
