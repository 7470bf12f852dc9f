#!/usr/bin/env bash
# Makes the 32-bit Windows archive and checks it as a user gets it: its entries are the
# layout's, its texts are CR LF (README.txt with a byte-order mark), and unpacked into a folder
# whose path has spaces and Japanese, with a fresh Wine prefix, all outside the build tree and
# with the archive's own font settings applied as README.txt says, the CLI converts a PNG
# through the bundled plug-in and the window loads, analyses and saves
# (tests/app/gui_end_to_end.sh). The window's part needs a display; without one the test ends
# skipped (77) after the rest has passed.
#
#   windows_archive_check.sh SOURCE_DIR BUILD_DIR VERSION
set -u
source_dir=$1 build_dir=$2 version=$3

# Outside the build tree, so that the Wine helpers find no build tree above it.
work=$(mktemp -d /tmp/tintsight-archive.XXXXXX)
# TS_KEEP_ARCHIVE_TEST=1 keeps the folder for a look at a failure.
cleanup() {
  [ -d "$work/wineprefix" ] && WINEPREFIX=$work/wineprefix wineserver -k >/dev/null 2>&1
  [ -n "${TS_KEEP_ARCHIVE_TEST:-}" ] && echo "kept $work" && return
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }

cpack --config "$build_dir/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 \
  || fail "cpack: $(cat "$work/cpack.log")"
name=tintsight-$version-win32
zip=$work/package/$name.zip
[ -f "$zip" ] || fail "no $zip; made: $(ls "$work/package")"

expected="$name/LICENSE.txt
$name/README.txt
$name/SusiePlugin/tsimage.spi
$name/THIRD-PARTY.txt
$name/tintsight-cli.exe
$name/tintsight.exe
$name/wine-japanese-fonts.reg"
entries=$(unzip -Z1 "$zip" | LC_ALL=C sort)
if grep -qx "$name/tintsight-plugin-host.exe" <<<"$entries"; then
  expected=$(printf '%s\n%s\n' "$expected" "$name/tintsight-plugin-host.exe")
fi
[ "$entries" = "$(LC_ALL=C sort <<<"$expected")" ] \
  || fail "the archive holds\n$entries\nexpected\n$expected"

folder="$work/ユーザー の フォルダー"
mkdir -p "$folder" && unzip -q "$zip" -d "$folder" || fail "unzip"
app=$folder/$name
head -c 3 "$app/README.txt" | cmp -s - <(printf '\xef\xbb\xbf') || fail "README.txt has no BOM"
for text in README.txt LICENSE.txt THIRD-PARTY.txt; do
  ! grep -qv $'\r$' "$app/$text" || fail "$text has a line that does not end in CR LF"
done
grep -q '第▯色' "$app/README.txt" &&
  grep -q 'wine regedit wine-japanese-fonts.reg' "$app/README.txt" \
  || fail "README.txt does not say how to apply the font settings"

# A fresh prefix, with the font settings applied as README.txt says. Marked booted, so that
# the end-to-end driver uses it as it is.
export TS_WINE_BUILD_DIR=$work
. "$source_dir/cmake/wine-env.sh"
[ "$WINEPREFIX" = "$work/wineprefix" ] || fail "the prefix would be $WINEPREFIX"
mkdir -p "$WINEPREFIX"
wineboot -i >/dev/null 2>&1 </dev/null || fail "wineboot"
(cd "$app" && wine regedit wine-japanese-fonts.reg >/dev/null 2>&1 </dev/null) || fail "regedit"
wineserver -w
wine reg query 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' 2>/dev/null \
  | grep -q IPAPGothic || fail "the font settings were not applied"
touch "$WINEPREFIX/.booted"

winpath() { winepath -w "$1" 2>/dev/null; }
cp "$source_dir/samples/colour-wheel.png" "$folder/wheel.png"
wine "$app/tintsight-cli.exe" -c 3 "$(winpath "$folder/wheel.png")" \
  "$(winpath "$folder/wheel.bmp")" \
  >"$work/cli.log" 2>&1 || fail "the CLI did not convert: $(cat "$work/cli.log")"
[ "$(stat -c %s "$folder/wheel.bmp")" -eq 76854 ] || fail "wheel.bmp is not the 160 x 160 picture"
wine "$app/tintsight-cli.exe" --version | tr -d '\r' | grep -q "^tintsight-cli $version" \
  || fail "--version"
echo "the unpacked CLI converted a PNG in \"$folder\""

# The programs run from the Japanese folder; the pictures that the file dialogs are given lie
# in a folder whose name xdotool can type.
bash "$source_dir/tests/app/gui_end_to_end.sh" "$source_dir" "$work" "$app/tintsight.exe" \
  "$app/tintsight-cli.exe" "$work/end to end"
status=$?
[ $status -eq 0 ] && echo "the window run from \"$app\" loaded, analysed and saved"
exit $status
