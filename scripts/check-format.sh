#!/usr/bin/env bash
# Checks that every C and C++ file is formatted as .clang-format says.
#   scripts/check-format.sh          check; names what is not (exit 1)
#   scripts/check-format.sh --fix    format in place
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files '*.c' '*.h' '*.cpp')
if [ "${1:-}" = "--fix" ]; then
  exec clang-format -i "${files[@]}"
fi
if ! clang-format --dry-run --Werror "${files[@]}"; then
  echo "Not formatted: run scripts/check-format.sh --fix" >&2
  exit 1
fi
