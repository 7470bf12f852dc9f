#!/usr/bin/env bash
# Makes the Debian package of a native build and checks it as a user gets it: its fields and
# its files are what the layout says, the CLI unpacked from it (dpkg-deb -x into a temporary
# root) converts a PNG through the bundled plug-in beside it, and lintian finds no error.
#
#   deb_package_check.sh SOURCE_DIR BUILD_DIR VERSION WORK_DIR
set -u
source_dir=$1 build_dir=$2 version=$3 work=$4

fail() { echo "FAILED: $*"; exit 1; }

rm -rf "$work" && mkdir -p "$work"
cpack --config "$build_dir/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 \
  || fail "cpack: $(cat "$work/cpack.log")"
arch=$(dpkg --print-architecture)
deb=$work/package/tintsight-cli_${version}_${arch}.deb
[ -f "$deb" ] || fail "no $deb; made: $(ls "$work/package")"

# The fields: name, version, architecture from the build; dependencies read from the binaries.
fields=$(dpkg-deb --info "$deb")
for expected in "Package: tintsight-cli" "Version: $version" "Architecture: $arch" \
                "Depends: libc6 (>= " "Section: graphics"; do
  grep -qF " $expected" <<<"$fields" || fail "no field \"$expected\" in\n$fields"
done

# The files, with their modes and owners.
expected_files="drwxr-xr-x root/root ./usr/
drwxr-xr-x root/root ./usr/bin/
-rwxr-xr-x root/root ./usr/bin/tintsight-cli
drwxr-xr-x root/root ./usr/lib/
drwxr-xr-x root/root ./usr/lib/tintsight/
drwxr-xr-x root/root ./usr/lib/tintsight/SusiePlugin/
-rw-r--r-- root/root ./usr/lib/tintsight/SusiePlugin/tsimage.spi
drwxr-xr-x root/root ./usr/share/
drwxr-xr-x root/root ./usr/share/doc/
drwxr-xr-x root/root ./usr/share/doc/tintsight-cli/
-rw-r--r-- root/root ./usr/share/doc/tintsight-cli/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/tintsight-cli/copyright
drwxr-xr-x root/root ./usr/share/man/
drwxr-xr-x root/root ./usr/share/man/man1/
-rw-r--r-- root/root ./usr/share/man/man1/tintsight-cli.1.gz"
helper=$(dpkg-deb --contents "$deb" | grep -c 'usr/lib/tintsight/tintsight-plugin-host$')
if [ "$helper" -eq 1 ]; then
  expected_files=$(printf '%s\n%s\n' "$expected_files" \
    "-rwxr-xr-x root/root ./usr/lib/tintsight/tintsight-plugin-host" | sort -k3)
fi
files=$(dpkg-deb --contents "$deb" | awk '{ print $1, $2, $6 }' | sort -k3)
[ "$files" = "$(sort -k3 <<<"$expected_files")" ] \
  || fail "the package holds\n$files\nexpected\n$expected_files"

# Unpacked anywhere, the CLI finds its plug-in in ../lib/tintsight/SusiePlugin.
root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
cli=$root/usr/bin/tintsight-cli
"$cli" --version | grep -qx "tintsight-cli $version\( (commit [0-9a-f]*\(-modified\)\?)\)\?" \
  || fail "--version says: $("$cli" --version)"
"$cli" --list-plugins | grep -qx "$root/usr/lib/tintsight/SusiePlugin/tsimage.spi" \
  || fail "the unpacked CLI lists: $("$cli" --list-plugins)"
"$cli" -c 3 "$source_dir/samples/colour-wheel.png" "$work/wheel.bmp" || fail "no conversion"
"$build_dir/bin/tintsight-cli" -c 3 "$source_dir/samples/colour-wheel.png" "$work/built.bmp"
cmp "$work/wheel.bmp" "$work/built.bmp" || fail "the packaged CLI writes other bytes"
gzip -dc "$root/usr/share/man/man1/tintsight-cli.1.gz" | grep -q -- '^\.B \\-\\-version$' \
  || fail "the manual page does not list --version"

# lintian: no error. Its tags are listed for whoever reads the log.
command -v lintian >/dev/null || fail "lintian is not installed (scripts/install-deps.sh)"
lintian --allow-root --display-info "$deb" >"$work/lintian.log" 2>&1
cat "$work/lintian.log"
! grep -q '^E: ' "$work/lintian.log" || fail "lintian reports errors"
echo "$deb: fields, files, conversion from the unpacked package and lintian as expected"
