#!/usr/bin/env bash
# Every man page must format without a single warning, with groff and with
# man, and carry a NAME line that whatis/apropos can index.
# Usage: man_test.sh MAN_DIR
set -u
dir=$1
export LC_ALL=C.UTF-8 MANWIDTH=80 MANPAGER=cat PAGER=cat
if ! command -v groff >/dev/null; then
  echo "groff not found (package groff-base); man pages not checked"
  exit 77
fi
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
pages=("$dir"/*.1)
for page in "${pages[@]}"; do
  name=$(basename "$page" .1)
  warnings=$(groff -man -ww -z -Tutf8 "$page" 2>&1)
  [ -z "$warnings" ] || fail "$name.1: groff warns: $warnings"
  if command -v man >/dev/null; then
    warnings=$(man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$name.1: man warns: $warnings"
    [ -n "$(man -l "$page" 2>/dev/null)" ] || fail "$name.1: man renders nothing"
  fi
  th=$(awk '$1 == ".TH" { print $2; exit }' "$page")
  [ "$th" = "$(tr '[:lower:]' '[:upper:]' <<<"$name")" ] || fail "$name.1: .TH names '$th'"
  if command -v lexgrog >/dev/null; then
    whatis=$(lexgrog "$page" 2>&1)
    grep -q "\"$name - " <<<"$whatis" || fail "$name.1: whatis cannot read its NAME line: $whatis"
  fi
  for section in NAME SYNOPSIS DESCRIPTION "SEE ALSO"; do
    grep -q "^\.SH \"*$section\"*$" "$page" || fail "$name.1: no $section section"
  done
  case "$name" in
    *-cli) grep -q '^\.SH "*EXIT STATUS"*$' "$page" || fail "$name.1: no EXIT STATUS section" ;;
  esac
done
[ "$failures" -eq 0 ] || exit 1
echo "man pages clean: ${#pages[@]}"
