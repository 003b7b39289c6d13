#!/usr/bin/env bash
# Runs clang-tidy with the committed .clang-tidy over the native build's sources of src/
# (the Windows layer is checked by its compilers). Fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/tidy
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DQMT_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target qmt_messages >/dev/null
status=0
for file in $(git ls-files 'src/*.cpp' | grep -v '/windows/'); do
    clang-tidy -p "$build" --quiet "$file" 2>/dev/null || status=1
done
exit $status
