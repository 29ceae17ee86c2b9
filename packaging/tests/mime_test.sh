#!/usr/bin/env bash
# Checks the GEDCOM MIME definition: well-formed XML, and once compiled by
# shared-mime-info, the globs and both forms of the "0 HEAD" magic.
# Usage: mime_test.sh MIME_XML
set -u
xml=$1

if command -v xmllint >/dev/null; then
  xmllint --noout "$xml" || { echo "FAIL: $xml is not well-formed" >&2; exit 1; }
elif command -v python3 >/dev/null; then
  python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' "$xml" ||
    { echo "FAIL: $xml is not well-formed" >&2; exit 1; }
else
  echo "neither xmllint nor python3 found; MIME definition not checked"
  exit 77
fi

if ! command -v update-mime-database >/dev/null; then
  echo "well-formed; update-mime-database not found (package shared-mime-info), compiled form not checked"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/mime/packages"
cp "$xml" "$work/mime/packages/"
if ! update-mime-database "$work/mime" >"$work/log" 2>&1 || grep -qi 'warn\|error' "$work/log"; then
  cat "$work/log" >&2
  echo "FAIL: update-mime-database rejects $xml" >&2
  exit 1
fi
failures=0
for glob in '\*\.ged' '\*\.GED'; do
  grep -q "^[0-9]*:application/x-gedcom:$glob\(:\|$\)" "$work/mime/globs2" ||
    { echo "FAIL: glob ${glob//\\/} missing" >&2; failures=$((failures + 1)); }
done
# The compiled magic holds each match as offset, "=", a 16-bit length, the bytes.
magic=$(od -An -c -v "$work/mime/magic" | tr -s ' \n' ' ')
grep -q '0 H E A D' <<<"$magic" || { echo "FAIL: magic '0 HEAD' missing" >&2; failures=$((failures + 1)); }
grep -q '357 273 277 0 H E A D' <<<"$magic" ||
  { echo "FAIL: magic '0 HEAD' after a UTF-8 byte-order mark missing" >&2; failures=$((failures + 1)); }
grep -q 'application/x-gedcom' "$work/mime/types" || { echo "FAIL: type not registered" >&2; failures=$((failures + 1)); }
[ "$failures" -eq 0 ] || exit 1
echo "MIME definition compiles with its globs and magic"
