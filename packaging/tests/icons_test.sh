#!/usr/bin/env bash
# Checks that every program icon exists in every size as a PNG of that size
# with an alpha channel, and that the scalable icons are well-formed SVG.
# Usage: icons_test.sh ICON_DIR
set -u
dir=$1
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
for program in kinprune hushtree lettrim; do
  for size in 16 32 48 64 128 256; do
    png=$dir/$program-$size.png
    if [ ! -f "$png" ]; then
      fail "$png missing"
      continue
    fi
    signature=$(od -An -tx1 -N8 "$png" | tr -d ' ')
    [ "$signature" = 89504e470d0a1a0a ] || fail "$png is not a PNG file"
    read -r width height depth colour <<<"$(od -An -tu1 -j16 -N10 "$png" |
      awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8, $9, $10 }')"
    [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "$png is ${width}x${height}, not ${size}x${size}"
    [ "$depth" = 8 ] && [ "$colour" = 6 ] || fail "$png is not 8-bit RGBA"
  done
  svg=$dir/$program.svg
  if [ ! -f "$svg" ]; then
    fail "$svg missing"
  elif command -v xmllint >/dev/null; then
    xmllint --noout "$svg" || fail "$svg is not well-formed"
  fi
done
# The three programs must not share a picture.
if [ "$failures" -eq 0 ]; then
  [ "$(cmp -s "$dir/kinprune-48.png" "$dir/hushtree-48.png"; echo $?)" != 0 ] &&
    [ "$(cmp -s "$dir/kinprune-48.png" "$dir/lettrim-48.png"; echo $?)" != 0 ] &&
    [ "$(cmp -s "$dir/hushtree-48.png" "$dir/lettrim-48.png"; echo $?)" != 0 ] || fail "two programs share an icon"
fi
[ "$failures" -eq 0 ] || exit 1
echo "icons complete"
