#!/usr/bin/env bash
# Every option and command word that a command-line program's own usage text
# names must be documented in its man page.
# Usage: man_options_test.sh PROGRAM MAN_PAGE
set -u
program=$1
page=$2
if ! command -v groff >/dev/null; then
  echo "groff not found (package groff-base); not checked"
  exit 77
fi
usage=$("$program" --help 2>&1)
if [ $? -ne 0 ]; then
  # Programs without --help print their usage when called without arguments.
  usage=$("$program" 2>&1)
fi
[ -n "$usage" ] || { echo "FAIL: $program printed no usage" >&2; exit 1; }

rendered=$(LC_ALL=C groff -man -Tascii -P-c "$page" 2>/dev/null | sed 's/.\x08//g')
# Options (-x, --long) and command words (name=) as the usage text writes them.
tokens=$(grep -oE '(^|[[:space:]([|,])--?[A-Za-z][A-Za-z0-9-]*|(^|[[:space:][|,])[a-z][a-z-]*=' <<<"$usage" |
  sed -E 's/^[[:space:]([|,]+//' | sort -u)
[ -n "$tokens" ] || { echo "FAIL: no options found in the usage text of $program" >&2; exit 1; }
missing=0
for token in $tokens; do
  if ! grep -qF -- "$token" <<<"$rendered"; then
    echo "FAIL: $(basename "$page") does not mention $token" >&2
    missing=$((missing + 1))
  fi
done
[ "$missing" -eq 0 ] || exit 1
echo "$(basename "$page") documents: $(tr '\n' ' ' <<<"$tokens")"
