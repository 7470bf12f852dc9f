#!/usr/bin/env bash
# Plug-ins in the helper against plug-ins in the program's own process, side by side in one run,
# on tmpfs: the CLI's work in-process (before) and through tintsight-plugin-host (after), with
# bench/plugin_host_bench, medians of $RUNS runs (default 5):
#  - a 12-megapixel PNG (random pixels, 8-bit RGB) through tsimage.spi: wall time, the program's
#    peak resident memory and the helper's; targets: at most 1.15 x the in-process wall, the two
#    peaks together at most 2 x the pixel bytes plus the file;
#  - a batch of 100 small PNGs (64 x 48) through tsimage.spi: wall time;
#  - the helper's start with one IsSupported round trip, and a round trip alone: natively, and
#    under Wine when the win32 build holds bench/plugin_host_bench.exe (configure it with
#    -DTS_BENCH=ON).
#   bench/plugin_host_bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-5}
native=build/native
bench=$native/bench/plugin_host_bench
helper=$native/bin/tintsight-plugin-host
plugins=$native/bin/SusiePlugin
[ -x "$bench" ] || { echo "no $bench: configure the native preset with -DTS_BENCH=ON and build"; exit 1; }

shm=/dev/shm
[ -d "$shm" ] && [ -w "$shm" ] || shm=${TMPDIR:-/tmp}
work=$(mktemp -d "$shm/ts_plugin_host_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# png W H OUT: 8-bit RGB, random pixels, fastest compression.
png() {
  python3 - "$@" <<'PY'
import os, struct, sys, zlib
w, h, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
with open(out, "wb") as f:
    def chunk(tag, data):
        f.write(struct.pack(">I", len(data)) + tag + data +
                struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))
    f.write(b"\x89PNG\r\n\x1a\n")
    chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
    z = zlib.compressobj(1)
    chunk(b"IDAT", b"".join(z.compress(b"\0" + os.urandom(w * 3)) for _ in range(h)) + z.flush())
    chunk(b"IEND", b"")
PY
}

# median of the numbers on stdin
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# measure MODE ARGS...: prints "wall self helper" medians over the runs
measure() {
  local mode=$1; shift
  local walls=() selves=() helpers=()
  for _ in $(seq "$runs"); do
    read -r wall self child < <("$bench" cli "$mode" "$helper" -- --plugin-dir "$plugins" "$@" 2>/dev/null | tail -1)
    walls+=("$wall"); selves+=("$self"); helpers+=("$child")
  done
  echo "$(printf '%s\n' "${walls[@]}" | median) $(printf '%s\n' "${selves[@]}" | median) $(printf '%s\n' "${helpers[@]}" | median)"
}

png 4000 3000 "$work/photo.png"
file_kb=$(( $(stat -c %s "$work/photo.png") / 1024 ))
pixel_kb=$(( 4000 * 3000 * 4 / 1024 ))
echo "12 MP PNG ($file_kb KiB file, $pixel_kb KiB of 32-bit pixels), medians of $runs:"
for mode in local helper; do
  read -r wall self child < <(measure "$mode" -c 3 "$work/photo.png" "$work/out.bmp")
  if [ "$mode" = local ]; then base=$wall; fi
  echo "  $mode: wall $wall ms ($(awk -v a="$wall" -v b="$base" 'BEGIN {printf "%.2f", a / b}') x), program peak $self KiB, helper peak $child KiB, together $((self + child)) KiB (target $((2 * pixel_kb + file_kb)) KiB)"
done

mkdir -p "$work/small" "$work/results"
for i in $(seq 100); do png 64 48 "$work/small/p$i.png"; done
echo "Batch of 100 PNGs of 64 x 48, medians of $runs:"
for mode in local helper; do
  read -r wall _ _ < <(measure "$mode" -c 3 -o "$work/results" "$work"/small/*.png)
  echo "  $mode: wall $wall ms"
done

echo "Helper start + open + one IsSupported, and one IsSupported round trip (medians of 50):"
echo "  native: $("$bench" start "$helper" "$plugins/tsimage.spi" 50)"
exe=build/win32/bench/plugin_host_bench.exe
if [ -f "$exe" ]; then
  TS_WINE_BUILD_DIR=$PWD/build/win32 . cmake/wine-env.sh
  ts_wine_boot
  echo "  32-bit Wine: $(wine "$exe" start "Z:$PWD/build/win32/bin/tintsight-plugin-host.exe" \
                        "Z:$PWD/build/win32/bin/SusiePlugin/tsimage.spi" 50 | tr -d '\r')"
  wineserver -k || true
fi
