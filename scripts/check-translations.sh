#!/usr/bin/env bash
# Checks that every text the program shows has a finished English translation: lupdate
# gathers the source texts as the build does, into a copy of i18n/tesselvane_en.ts, and no
# text may be new or unfinished there. To add the missing ones: cmake --build build --target
# update_translations, then python3 i18n/english.py i18n/tesselvane_en.ts.
set -euo pipefail
cd "$(dirname "$0")/.."

lupdate=/usr/lib/qt6/bin/lupdate
[ -x "$lupdate" ] || { echo "lupdate is not installed (qt6-l10n-tools)" >&2; exit 2; }
copy=$(mktemp --suffix=.ts)
trap 'rm -f "$copy"' EXIT
cp i18n/tesselvane_en.ts "$copy"
mapfile -t sources < <(find app controls dialogs slide settings picture platform plugins/bpi plugins/host \
  -name '*.cpp' -o -name '*.h' -o -name '*.ui' | sort)
"$lupdate" -silent -no-obsolete -locations none -tr-function-alias translate+=interfaceText \
  "${sources[@]}" -ts "$copy" 2> >(grep -v 'Ignoring definition of undeclared' >&2)
unfinished=$(grep -c 'type="unfinished"' "$copy" || true)
if [ "$unfinished" -ne 0 ]; then
  grep -B2 'type="unfinished"' "$copy" | grep '<source>' >&2
  echo "check-translations: $unfinished text(s) without a finished English translation." >&2
  exit 1
fi
