#!/usr/bin/env bash
# Installs what the program needs, builds it alone (no tests) and starts it. Arguments go to
# the program.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh --program
cmake --preset program >/dev/null
cmake --build --preset program
exec ./build-program/bin/tesselvane "$@"
