#!/usr/bin/env bash
# Measures tintsight-cli -c 3 side by side with the least work the job needs and with
# GraphicsMagick, every figure in one run, on tmpfs (/dev/shm) so that the disk does not decide:
#  - 24-bit BMPs of 1, 12 and 96 megapixels: tintsight-cli, the whole-file floor (bench/floor.c:
#    read the file, rewrite it, write it), the streaming floor (bench/stream_floor.c: 1 MiB of
#    rows at a time), and `gm convert IN -recolor '1 0 0 0 1 0 0 0 1' OUT` as the like-for-like
#    command (a full read, colour matrix and write);
#  - 8-bit and 32-bit BMPs of 12 megapixels, and a 12-megapixel PNG read through the bundled
#    plug-in: tintsight-cli and gm.
# Each figure is the median of $RUNS runs (default 5) of wall time (GNU time) and the largest
# peak resident memory of those runs. The pictures are random, made afresh each run.
# Targets: at 96 MP, wall time at most 1.0 x the whole-file floor and at least 4 x faster than
# gm; peak memory at most 64 MB for every BMP; for the PNG at most 2 x its pixel bytes plus its
# file size; output identical to the floors'.
#   bench/cli_bench.sh [path/to/tintsight-cli]    (default: build/native/bin/tintsight-cli)
# Installs graphicsmagick (apt-get) when gm is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

cli=${1:-build/native/bin/tintsight-cli}
runs=${RUNS:-5}
[ -x "$cli" ] || { echo "no tintsight-cli at $cli (build the native preset first)"; exit 1; }
[ -x /usr/bin/time ] || { echo "GNU time is needed: apt-get install time"; exit 1; }
if ! command -v gm >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  echo "Installing graphicsmagick"
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq graphicsmagick >/dev/null
fi

shm=/dev/shm
[ -d "$shm" ] && [ -w "$shm" ] || shm=${TMPDIR:-/tmp}
work=$(mktemp -d "$shm/ts_cli_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/floor" bench/floor.c
cc -O2 -o "$work/stream_floor" bench/stream_floor.c

# make KIND W H OUT: a BMP of 8, 24 or 32 bits (bottom-up, random pixels, 8 bits with a
# 256-colour table), or a PNG (8-bit RGB, random pixels, fastest compression).
make_picture() {
  python3 - "$@" <<'PY'
import os, struct, sys, zlib
kind, w, h, out = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
with open(out, "wb") as f:
    if kind == "png":
        def chunk(tag, data):
            f.write(struct.pack(">I", len(data)) + tag + data +
                    struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))
        f.write(b"\x89PNG\r\n\x1a\n")
        chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
        z = zlib.compressobj(1)
        data = b"".join(z.compress(b"\0" + os.urandom(w * 3)) for _ in range(h)) + z.flush()
        chunk(b"IDAT", data)
        chunk(b"IEND", b"")
    else:
        bits = int(kind)
        stride = (w * bits + 31) // 32 * 4
        table = os.urandom(1024) if bits == 8 else b""
        offset = 54 + len(table)
        f.write(b"BM" + struct.pack("<IHHI", offset + stride * h, 0, 0, offset))
        f.write(struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, stride * h, 2835, 2835,
                            256 if bits == 8 else 0, 0))
        f.write(table)
        for _ in range(h // 100):
            f.write(os.urandom(stride * 100))
        f.write(os.urandom(stride * (h % 100)))
PY
}

# The command line of program $1 on input $2, into the array `cmdline`.
command_for() {
  case $1 in
    tintsight-cli) cmdline=("$cli" -c 3 "$2" "$work/ours.bmp") ;;
    "whole-file floor") cmdline=("$work/floor" "$2" "$work/floor.bmp") ;;
    "streaming floor") cmdline=("$work/stream_floor" "$2" "$work/stream.bmp") ;;
    "gm -recolor") cmdline=(gm convert "$2" -recolor "1 0 0 0 1 0 0 0 1" "$work/gm.bmp") ;;
  esac
}

# Runs every program of the case $runs times, taking turns; keeps each run's wall time and peak.
# Dirty pages of earlier runs are flushed first, so that no run pays for the writing of another.
declare -A walls peaks failed
measure() {
  local input=$1
  shift
  walls=() peaks=() failed=()
  for _ in $(seq "$runs"); do
    for name in "$@"; do
      command_for "$name" "$input"
      sync
      if /usr/bin/time -f '%e %M' -o "$work/time" "${cmdline[@]}" >/dev/null 2>"$work/stderr"; then
        read -r wall kb < "$work/time"
        walls[$name]="${walls[$name]:-} $wall"
        peaks[$name]="${peaks[$name]:-} $((kb / 1024))"
      else
        failed[$name]=$(head -c 200 "$work/stderr")
      fi
    done
  done
}
median() { tr ' ' '\n' <<< "$1" | grep . | sort -g | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }
largest() { tr ' ' '\n' <<< "$1" | grep . | sort -g | tail -1; }

status=0
miss() { echo "MISSED: $*"; status=1; }
printf '%-12s %-18s %8s %8s %10s\n' picture program "wall s" "peak MB" "vs whole"
report() {
  local label=$1
  shift
  local whole=""
  [ -z "${walls[whole-file floor]:-}" ] || whole=$(median "${walls[whole-file floor]}")
  for name in "$@"; do
    if [ -n "${failed[$name]:-}" ]; then
      printf '%-12s %-18s failed: %s\n' "$label" "$name" "${failed[$name]}"
      status=1
      continue
    fi
    local wall peak ratio=""
    wall=$(median "${walls[$name]}")
    peak=$(largest "${peaks[$name]}")
    [ -z "$whole" ] || ratio=$(awk "BEGIN{printf \"%.2fx\", $wall / $whole}")
    printf '%-12s %-18s %8s %8s %10s\n' "$label" "$name" "$wall" "$peak" "$ratio"
  done
}
ours_wall() { median "${walls[tintsight-cli]}"; }
ours_peak() { largest "${peaks[tintsight-cli]}"; }

all="tintsight-cli|whole-file floor|streaming floor|gm -recolor"
for mp in 1 12 96; do
  case $mp in 1) w=1200 h=800 ;; 12) w=4000 h=3000 ;; 96) w=12000 h=8000 ;; esac
  make_picture 24 $w $h "$work/in.bmp"
  IFS='|' read -ra programs <<< "$all"
  measure "$work/in.bmp" "${programs[@]}"
  report "${mp} MP 24-bit" "${programs[@]}"
  cmp -s "$work/floor.bmp" "$work/ours.bmp" || miss "$mp MP: tintsight-cli and the whole-file floor disagree"
  cmp -s "$work/stream.bmp" "$work/ours.bmp" || miss "$mp MP: tintsight-cli and the streaming floor disagree"
  [ "$(ours_peak)" -le 64 ] || miss "$mp MP: peak memory over 64 MB"
  if [ $mp = 96 ]; then
    awk "BEGIN{exit !($(ours_wall) <= 1.0 * $(median "${walls[whole-file floor]}"))}" ||
      miss "96 MP: wall time over 1.0 x the whole-file floor"
    awk "BEGIN{exit !($(ours_wall) * 4 <= $(median "${walls[gm -recolor]}"))}" ||
      miss "96 MP: less than 4 x faster than gm"
  fi
  rm -f "$work"/*.bmp
done

for bits in 8 32; do
  make_picture $bits 4000 3000 "$work/in.bmp"
  measure "$work/in.bmp" tintsight-cli "gm -recolor"
  report "12 MP ${bits}-bit" tintsight-cli "gm -recolor"
  [ "$(ours_peak)" -le 64 ] || miss "12 MP ${bits}-bit: peak memory over 64 MB"
  rm -f "$work"/*.bmp
done

make_picture png 4000 3000 "$work/in.png"
measure "$work/in.png" tintsight-cli "gm -recolor"
report "12 MP PNG" tintsight-cli "gm -recolor"
pixel_mb=$((4000 * 3000 * 3 / 1048576))
file_mb=$(( $(stat -c %s "$work/in.png") / 1048576 ))
limit=$((2 * pixel_mb + file_mb))
echo "             PNG: pixel bytes ${pixel_mb} MB, file ${file_mb} MB; peak target ${limit} MB"
[ "$(ours_peak)" -le $limit ] || miss "12 MP PNG: peak memory over 2 x the pixel bytes plus the file size"
exit $status
