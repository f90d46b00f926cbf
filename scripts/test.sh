#!/usr/bin/env bash
# Installs what is missing, builds Tesselvane and runs every test.
#   scripts/test.sh              all tests (warnings are errors when CI is set)
#   scripts/test.sh --sanitize   every test under AddressSanitizer and UBSan
set -euo pipefail
cd "$(dirname "$0")/.."

preset=default
if [ "${1:-}" = "--sanitize" ]; then
  preset=asan
elif [ -n "${CI:-}" ]; then
  preset=ci
fi

./scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"

# The date tests preload libfaketime into the program, ahead of the sanitizer's runtime.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:verify_asan_link_order=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Leaks inside system libraries (fontconfig, ICU caches) are not ours to fix.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}
ctest --preset "$preset" -j "$(nproc)"
