#!/usr/bin/env bash
# Formats every C and C++ source of the tree with the checked-in .clang-format.
#   scripts/format.sh           rewrite the files in place
#   scripts/format.sh --check   change nothing; fail and list what is not formatted
set -euo pipefail
cd "$(dirname "$0")/.."
CLANG_FORMAT=${CLANG_FORMAT:-clang-format}
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  "$CLANG_FORMAT" --dry-run -Werror "${files[@]}"
else
  "$CLANG_FORMAT" -i "${files[@]}"
fi
