#!/usr/bin/env bash
# Validates every desktop entry and checks that the icon it names is drawn.
# Usage: desktop_test.sh PACKAGING_SOURCE_DIR
set -u
source_dir=$1
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

entries=("$source_dir"/desktop/*.desktop)
[ -f "${entries[0]}" ] || { echo "FAIL: no desktop entries in $source_dir/desktop" >&2; exit 1; }

for entry in "${entries[@]}"; do
  icon=$(sed -n 's/^Icon=//p' "$entry")
  for file in "$source_dir/icons/$icon".svg "$source_dir/icons/$icon"-{16,32,48,64,128,256}.png; do
    [ -f "$file" ] || fail "$(basename "$entry"): icon file $(basename "$file") missing"
  done
  grep -q '^Categories=.*;$' "$entry" || fail "$(basename "$entry"): no Categories"
done

if ! command -v desktop-file-validate >/dev/null; then
  echo "desktop-file-validate not found (package desktop-file-utils); validation skipped"
  [ "$failures" -eq 0 ] && exit 77
  exit 1
fi
for entry in "${entries[@]}"; do
  # Hints are advice only; warnings and errors make the entry unfit.
  report=$(desktop-file-validate --no-hints "$entry" 2>&1)
  if [ -n "$report" ]; then
    echo "$report" >&2
    fail "$(basename "$entry") does not validate"
  fi
done
[ "$failures" -eq 0 ] || exit 1
echo "desktop entries valid: ${#entries[@]}"
