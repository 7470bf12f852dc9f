#!/usr/bin/env bash
# Builds the packages of the checkout's commit twice, from two clones in two different folders,
# and compares them byte for byte: the Debian package (native) and the Windows archives.
# Prints each package's SHA-256 from both builds; exits 1 when any differs, naming the files
# inside that differ. Only committed work is built.
#
#   scripts/reproducible-packages.sh [preset...]   (default: native win32)
#
# Keeps its folders (for a look at a difference) under $TS_REPRO_DIR, or a new /tmp folder; a
# later run with the same TS_REPRO_DIR checks the new commit out in them and builds only what
# changed.
set -euo pipefail
# Each build compiles for itself: an object taken from a compiler cache would hide a compiler
# that does not repeat itself.
export CCACHE_DISABLE=1
repo=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$repo" rev-parse HEAD)
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native win32)
work=${TS_REPRO_DIR:-$(mktemp -d /tmp/tintsight-repro.XXXXXX)}
# Two folders of different depths and lengths, so that a leaked path shows.
clones=("$work/first/tintsight" "$work/second-build/elsewhere/tintsight")

for clone in "${clones[@]}"; do
  if [ -d "$clone/.git" ]; then
    git -C "$clone" fetch --quiet "$repo" "+refs/heads/*:refs/remotes/origin/*"
  else
    rm -rf "$clone"
    git clone --quiet --no-hardlinks "$repo" "$clone"
  fi
  git -C "$clone" checkout --quiet --detach "$commit"
  for preset in "${presets[@]}"; do
    echo "=== $clone: $preset"
    (cd "$clone" &&
     cmake --preset "$preset" -D TS_BENCH=OFF >/dev/null &&
     cmake --build --preset "$preset" -j2 --target ts_package_contents >/dev/null &&
     cpack --config "build/$preset/CPackConfig.cmake" -B "build/$preset/package" >/dev/null)
  done
done

status=0
for preset in "${presets[@]}"; do
  for package in "${clones[0]}/build/$preset/package"/*.{deb,zip}; do
    [ -f "$package" ] || continue
    name=$(basename "$package")
    other=${clones[1]}/build/$preset/package/$name
    first=$(sha256sum "$package" | cut -d' ' -f1)
    second=$(sha256sum "$other" 2>/dev/null | cut -d' ' -f1 || true)
    if [ "$first" = "$second" ]; then
      echo "identical  $first  $name"
      continue
    fi
    status=1
    echo "DIFFERENT  $name: $first / ${second:-missing}"
    [ -f "$other" ] || continue
    # Which files inside differ.
    for side in 0 1; do
      unpacked=$work/unpacked-$side/$name
      rm -rf "$unpacked" && mkdir -p "$unpacked"
      source=$package; [ $side -eq 0 ] || source=$other
      case "$name" in
        *.deb) dpkg-deb -R "$source" "$unpacked" ;;
        *.zip) unzip -q "$source" -d "$unpacked" ;;
      esac
    done
    diff -rq "$work/unpacked-0/$name" "$work/unpacked-1/$name" || true
  done
done
echo "(builds kept in $work)"
exit $status
