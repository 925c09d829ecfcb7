#!/usr/bin/env bash
# Fails if any of our own C++ files differs from what clang-format makes of it (.clang-format at
# the top); JUCE in third_party/ is left as it ships. `check-format.sh --fix` formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h' ':!third_party')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
else
    clang-format --dry-run --Werror "${files[@]}"
fi
