#!/usr/bin/env bash
# Builds the release package dist/QuillmarkOrvane-7.00-win32.zip:
#   QuillmarkOrvane-7.00/Quillmark Orvane.exe     optimised and stripped
#   QuillmarkOrvane-7.00/HAND-M.CUR               the hand pointer
#   QuillmarkOrvane-7.00/skin-example/o.cjs       the example skin, not active there
#   QuillmarkOrvane-7.00/read-me.txt              for Windows users (CRLF)
# and, beside the zip (not in it), the program's debug information,
# dist/Quillmark Orvane.exe.debug, which the stripped program names in its
# .gnu_debuglink section.  With --64 the same of the 64-bit build, in dist/win64/
# as QuillmarkOrvane-7.00-win64.zip; the 32-bit zip is the release.
#
# Two runs from the same commit give the same bytes: the program file carries no
# time stamp, the build paths are mapped to ".", and the archive's entries have a
# fixed order, fixed permissions and the commit's time.
#
#   scripts/package.sh [--quiet] [--64]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
quiet=""; bits=32
for arg in "$@"; do
  case "$arg" in
    --quiet) quiet=--quiet ;;
    --64) bits=64 ;;
    *) echo "usage: scripts/package.sh [--quiet] [--64]" >&2; exit 2 ;;
  esac
done
say() { [ "$quiet" = --quiet ] || echo "package: $*"; }

version=7.00
program="Quillmark Orvane.exe"
folder="QuillmarkOrvane-$version"
if [ "$bits" = 32 ]; then
  build=build/release dist=dist toolchain=mingw-w64-i686 tools=i686-w64-mingw32
  max_bytes=$((1536 * 1024))
else
  build=build/release64 dist=dist/win64 toolchain=mingw-w64-x86_64 tools=x86_64-w64-mingw32
  max_bytes=$((2048 * 1024))
fi
zip_name="QuillmarkOrvane-$version-win$bits.zip"
objcopy=$tools-objcopy
objdump=$tools-objdump

scripts/setup.sh

# The same sources and warnings as every build; -O2, and debug information that is
# split off below.  Build paths become "." so that the debug file, and with it the
# program's debug-link checksum, does not depend on where the tree lies.
mkdir -p "$build"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQO_HANDLE_COUNTS=OFF \
  -DCMAKE_C_FLAGS_RELEASE="-O2 -g -DNDEBUG -ffile-prefix-map=$root=." \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -g -DNDEBUG -ffile-prefix-map=$root=." \
  >"$build/cmake.log" 2>&1 || { cat "$build/cmake.log"; exit 1; }
# The program's own build also copies the hand pointer (src/platform/win32/resources/HAND-M.CUR) beside it.
cmake --build "$build" --target quillmark_orvane -j"$(nproc)" >"$build/build.log" 2>&1 \
  || { cat "$build/build.log"; exit 1; }

stage=$(mktemp -d /tmp/qo-package.XXXXXX)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$folder/skin-example" "$dist"

# The build has split the debug information off into a file beside the program,
# which the program names in its .gnu_debuglink section: that file goes beside the
# zip, the program loses its symbols too.  objcopy stamps the time of writing into
# the program file unless SOURCE_DATE_EPOCH says otherwise.
debug_file="$dist/$program.debug"
export SOURCE_DATE_EPOCH=0
install -m 644 "$build/bin/$program.debug" "$debug_file"
$objcopy --strip-all --keep-section=.gnu_debuglink "$build/bin/$program" "$stage/$folder/$program"
$objdump -h "$stage/$folder/$program" | grep -q '\.gnu_debuglink' \
  || { echo "package: $program lost its link to the debug information" >&2; exit 1; }

# The hand pointer as this build placed it beside the program, never one left in
# another build folder; the example skin from the tree.  Both are part of the
# package: without either there is no package.
for piece in "$build/bin/HAND-M.CUR" skins/example/o.cjs; do
  [ -f "$piece" ] || { echo "package: $piece is missing" >&2; exit 1; }
done
cp "$build/bin/HAND-M.CUR" "$stage/$folder/HAND-M.CUR"
cp skins/example/o.cjs "$stage/$folder/skin-example/o.cjs"
sed 's/$/\r/' packaging/read-me.txt >"$stage/$folder/read-me.txt"

# The program file must stay small and carry ASLR, DEP and terminal-server awareness,
# and no link time stamp.
size=$(stat -c %s "$stage/$folder/$program")
[ "$size" -le "$max_bytes" ] || { echo "package: $program is $size bytes, over $max_bytes" >&2; exit 1; }
headers=$($objdump -p "$stage/$folder/$program")
for flag in DYNAMIC_BASE NX_COMPAT TERMINAL_SERVICE_AWARE; do
  grep -Eq "^[[:space:]]+$flag\$" <<<"$headers" || { echo "package: $program lacks $flag" >&2; exit 1; }
done
grep -Eq '^Time/Date[[:space:]]+(Thu Jan  1 00:00:00 1970|0+)$' <<<"$headers" \
  || { echo "package: $program carries a link time stamp" >&2; exit 1; }

# The commit's time for every entry (a zip cannot hold times before 1980).
stamp=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)
python3 - "$stage" "$folder" "$dist/$zip_name" "$stamp" <<'PY'
import os, sys, time, zipfile
stage, folder, target, stamp = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
when = time.gmtime(max(stamp, 315532800))[:6]
entries = []
for base, dirs, files in os.walk(os.path.join(stage, folder)):
    dirs.sort()
    for name in files:
        path = os.path.join(base, name)
        entries.append((os.path.relpath(path, stage).replace(os.sep, "/"), path))
entries.sort()
temporary = target + ".part"
with zipfile.ZipFile(temporary, "w") as archive:
    for name, path in entries:
        info = zipfile.ZipInfo(name, date_time=when)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 0  # MS-DOS: no Unix owner or mode bits in the archive
        info.external_attr = 0x20  # the archive attribute, as Windows sets it
        with open(path, "rb") as source:
            archive.writestr(info, source.read(), compresslevel=9)
os.replace(temporary, target)
PY

say "$dist/$zip_name: $(stat -c %s "$dist/$zip_name") bytes, sha256 $(sha256sum "$dist/$zip_name" | cut -d' ' -f1)"
say "$program: $size bytes; debug information in $debug_file"
[ "$quiet" = --quiet ] || python3 -c 'import sys, zipfile
for i in zipfile.ZipFile(sys.argv[1]).infolist(): print(f"  {i.file_size:9d}  {i.filename}")' "$dist/$zip_name"
