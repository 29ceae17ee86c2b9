#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that every file lands
# where the desktop, man and the programs themselves look for it.
#
# Usage: install_test.sh CMAKE BUILD_DIR WORK_DIR
# Environment (set by CTest from what the build defines):
#   GEDTOOLS_PROGRAMS          programs installed into bin
#   GEDTOOLS_DESKTOP_PROGRAMS  the desktop programs among them
#   GEDTOOLS_HELP_PROGRAMS     desktop programs whose help folder exists
#   GEDTOOLS_HELP_SOURCES      program=source-folder pairs, ';'-separated
#   GEDTOOLS_ICON_SIZES        icon sizes, ';'-separated
set -u

cmake_command=$1
build_dir=$2
work_dir=$3
prefix=$work_dir/prefix

split_list() { tr ';' ' ' <<<"$1"; }
programs=$(split_list "${GEDTOOLS_PROGRAMS:-}")
desktop_programs=$(split_list "${GEDTOOLS_DESKTOP_PROGRAMS:-}")
help_programs=$(split_list "${GEDTOOLS_HELP_PROGRAMS:-}")
icon_sizes=$(split_list "${GEDTOOLS_ICON_SIZES:-16;32;48;64;128;256}")

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
need_file() {
  [ -f "$prefix/$1" ] || fail "missing $1"
}

rm -rf "$work_dir"
mkdir -p "$work_dir"
mkdir -m 700 "$work_dir/runtime"
if ! "$cmake_command" --install "$build_dir" --prefix "$prefix" >"$work_dir/install.log" 2>&1; then
  cat "$work_dir/install.log" >&2
  echo "FAIL: cmake --install failed" >&2
  exit 1
fi

# Nothing may land outside the prefix or outside the folders a desktop
# application owns (no libraries, headers or test programs).
manifest=$build_dir/install_manifest.txt
if [ -f "$manifest" ]; then
  while IFS= read -r installed; do
    case "$installed" in
      "$prefix"/bin/* | "$prefix"/share/applications/* | "$prefix"/share/icons/hicolor/* | \
      "$prefix"/share/man/man1/* | "$prefix"/share/mime/packages/* | \
      "$prefix"/share/gedtools/help/* | "$prefix"/share/doc/gedtools/*) ;;
      *) fail "installed outside the application layout: $installed" ;;
    esac
  done <"$manifest"
else
  fail "cmake --install wrote no install_manifest.txt"
fi

# Width and height of a PNG file, from its IHDR chunk.
png_size() {
  od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%d %d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'
}

# Value of a key in the [Desktop Entry] group.
desktop_value() {
  awk -v key="$2" -F= '
    /^\[/ { group = $0 }
    group == "[Desktop Entry]" && $1 == key { sub(/^[^=]*=/, ""); print; exit }' "$1"
}

for program in $programs; do
  binary=$prefix/bin/$program
  if [ ! -x "$binary" ] || [ ! -f "$binary" ]; then
    fail "bin/$program missing or not executable"
    continue
  fi
  need_file "share/man/man1/$program.1"
  if command -v ldd >/dev/null && ldd "$binary" 2>&1 | grep -q 'not found'; then
    fail "bin/$program needs libraries that are not found:"
    ldd "$binary" | grep 'not found' >&2
  fi
done

# The command-line programs must run from their installed place.
for program in $programs; do
  case "$program" in
    *-cli) ;;
    *) continue ;;
  esac
  binary=$prefix/bin/$program
  [ -x "$binary" ] || continue
  output=$("$binary" --help 2>&1)
  status=$?
  if [ $status -ne 0 ]; then
    # hushtree-cli has no --help: without arguments it prints its usage and ends with 1.
    output=$("$binary" 2>&1)
    status=$?
  fi
  if ! grep -qi 'usage' <<<"$output"; then
    fail "installed $program printed no usage (status $status)"
  fi
  if [ $status -gt 1 ]; then
    fail "installed $program ended with status $status"
  fi
done

# The desktop programs must start from their installed place too; --version
# ends them before any window opens. One that does not answer in time is
# reported but not failed, since it may simply not offer --version.
for program in $desktop_programs; do
  binary=$prefix/bin/$program
  [ -x "$binary" ] || continue
  # Qt's own start-up allocations are not ours to judge in a sanitizer build.
  output=$(cd "$work_dir" && QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work_dir/config \
    XDG_RUNTIME_DIR=$work_dir/runtime ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    timeout -s KILL 20 "$binary" --version 2>&1)
  status=$?
  if [ $status -eq 137 ]; then
    echo "note: installed $program did not end after --version; its start is not checked"
  elif [ $status -ne 0 ] || [ -z "$output" ]; then
    fail "installed $program --version ended with status $status: $output"
  fi
done

mime_file=share/mime/packages/gedtools-gedcom.xml
need_file "$mime_file"

for program in $desktop_programs; do
  # The entry is named after the executable, which is the application id
  # its windows carry, so the desktop matches running windows to it.
  entry=$prefix/share/applications/$program.desktop
  if [ ! -f "$entry" ]; then
    fail "no desktop entry share/applications/$program.desktop"
    continue
  fi
  exec_program=$(desktop_value "$entry" Exec | awk '{ print $1 }')
  [ -x "$prefix/bin/$exec_program" ] || fail "$entry runs $exec_program, which is not installed in bin"
  try_exec=$(desktop_value "$entry" TryExec)
  if [ -n "$try_exec" ] && [ ! -x "$prefix/bin/$try_exec" ]; then
    fail "$entry: TryExec $try_exec is not installed in bin (the menu would hide the entry)"
  fi

  icon=$(desktop_value "$entry" Icon)
  if [ -z "$icon" ]; then
    fail "$entry has no Icon"
  else
    for size in $icon_sizes; do
      png=share/icons/hicolor/${size}x${size}/apps/$icon.png
      if [ -f "$prefix/$png" ]; then
        [ "$(png_size "$prefix/$png")" = "$size $size" ] || fail "$png is not ${size}x${size}"
      else
        fail "missing $png"
      fi
    done
    need_file "share/icons/hicolor/scalable/apps/$icon.svg"
  fi

  # Files handed over by the file manager must reach the program, and the
  # type it claims must be one the installed MIME definitions know.
  for type in $(desktop_value "$entry" MimeType | tr ';' ' '); do
    grep -q "<mime-type type=\"$type\"" "$prefix/$mime_file" ||
      grep -rqs "<mime-type type=\"$type\"" /usr/share/mime/packages ||
      fail "$entry claims $type, which no MIME definition describes"
    desktop_value "$entry" Exec | grep -q '%[fFuU]' || fail "$entry takes $type files but its Exec has no %f"
  done
done

if [[ " $desktop_programs " == *" kinprune "* ]]; then
  kinprune_entry=$prefix/share/applications/kinprune.desktop
  if [ -f "$kinprune_entry" ]; then
    desktop_value "$kinprune_entry" MimeType | grep -q 'application/x-gedcom;' ||
      fail "Kinprune's desktop entry does not open application/x-gedcom"
    desktop_value "$kinprune_entry" Exec | grep -q '^kinprune %f$' || fail "Kinprune's Exec is not 'kinprune %f'"
  fi
fi

# Help: every file of the program's help folder, at the place the program
# finds it relative to its executable (../share/gedtools/help/<program>).
for program in $help_programs; do
  source_dir=$(tr ';' '\n' <<<"${GEDTOOLS_HELP_SOURCES:-}" | sed -n "s/^$program=//p")
  help_dir=$prefix/bin/../share/gedtools/help/$program
  if [ ! -d "$help_dir" ]; then
    fail "help of $program is not installed in share/gedtools/help/$program"
    continue
  fi
  if [ -d "$source_dir" ]; then
    while IFS= read -r file; do
      case "$(basename "$file")" in
        CMakeLists.txt | ENGINEER-READ-FIRST.md | *.qrc | *.cmake) continue ;;
      esac
      cmp -s "$source_dir/$file" "$help_dir/$file" || fail "help file $program/$file not installed"
    done < <(cd "$source_dir" && find . -type f | sed 's|^\./||')
  fi
  [ -n "$(find "$help_dir" -type f)" ] || fail "help folder of $program is empty"
done

# A compiled MIME database must know the type by name, glob and content.
if command -v update-mime-database >/dev/null; then
  if update-mime-database "$prefix/share/mime" >"$work_dir/mime.log" 2>&1; then
    grep -q '^[0-9]*:application/x-gedcom:\*\.ged$' "$prefix/share/mime/globs2" ||
      fail "compiled MIME globs lack *.ged"
    grep -aq 'application/x-gedcom' "$prefix/share/mime/magic" || fail "compiled MIME magic lacks application/x-gedcom"
  else
    cat "$work_dir/mime.log" >&2
    fail "update-mime-database rejects the installed definition"
  fi
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures problem(s) in the installed layout under $prefix" >&2
  exit 1
fi
echo "Installed layout under $prefix is complete for: ${programs:-no programs}"
rm -rf "$work_dir"
exit 0
