#!/usr/bin/env bash
# Formats every C and C++ file of the tree with the committed .clang-format.
#   tools/format.sh           rewrites the files in place
#   tools/format.sh --check   changes nothing; lists the files that differ and fails if any do
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.c' '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
    unformatted=()
    for file in "${files[@]}"; do
        [ -f "$file" ] || continue
        clang-format --style=file "$file" | cmp -s - "$file" || unformatted+=("$file")
    done
    if [ ${#unformatted[@]} -gt 0 ]; then
        printf 'not formatted (run tools/format.sh): %s\n' "${unformatted[@]}" >&2
        exit 1
    fi
    exit 0
fi
existing=()
for file in "${files[@]}"; do [ -f "$file" ] && existing+=("$file"); done
clang-format --style=file -i "${existing[@]}"
