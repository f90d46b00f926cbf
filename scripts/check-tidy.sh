#!/usr/bin/env bash
# Checks the naming rule of CONTRIBUTING.md and clang-tidy's bugprone checks (.clang-tidy) over
# every source the build compiles.   scripts/check-tidy.sh [BUILD_DIR]   (default: build)
# A name of the design that is a plain word passes only in the header scripts/design-names.txt
# names it with.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: build first" >&2; exit 2; }
# Our own sources only, not what Qt generates into the build folder.
mapfile -t files < <(python3 - "$build/compile_commands.json" <<'PY'
import json, os, sys
root = os.getcwd() + '/'
seen = sorted({e['file'] for e in json.load(open(sys.argv[1]))
               if e['file'].startswith(root) and e['file'].endswith('.cpp')
               and '/build' not in e['file'][len(root) - 1:]})
print('\n'.join(seen))
PY
)
# Headers of the layers, also where the build reaches them through its include roots; never
# what Qt generates (moc, uic).
filter="^$PWD/((app|platform|settings|picture|controls|slide|dialogs|tools|tests|fuzz|bench|plugins/(spi|bpi|host))/|[^/]+/include-roots/)"
report=$(printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -n 8 clang-tidy -p "$build" --quiet \
  --header-filter="$filter" 2>/dev/null \
  | grep 'warning:' | sort -u | python3 scripts/design-names.py scripts/design-names.txt "$PWD" || true)
if [ -n "$report" ]; then
  echo "$report"
  echo "clang-tidy: names that break the naming rule (CONTRIBUTING.md), or likely faults." >&2
  exit 1
fi
