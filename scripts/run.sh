#!/usr/bin/env bash
# Installs what is missing, builds Tesselvane and starts it. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
exec ./build/bin/tesselvane "$@"
