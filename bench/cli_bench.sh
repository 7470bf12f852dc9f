#!/usr/bin/env bash
# Times tintsight-cli -c 3 on 12 MP and 96 MP 24-bit BMPs against the floor (bench/floor.c:
# read the file, rewrite the red channel, write the file) in the same run, and ImageMagick's
# convert / GraphicsMagick's gm on the same job where they are installed. Reports wall time and
# peak resident memory (GNU time), best of several runs.
#   bench/cli_bench.sh [path/to/tintsight-cli]    (default: build/native/bin/tintsight-cli)
# Targets at 96 MP: wall time <= 1.5 x the floor, peak memory <= 2.2 x the pixel bytes.
set -euo pipefail
cd "$(dirname "$0")/.."

cli=${1:-build/native/bin/tintsight-cli}
runs=${RUNS:-3}
[ -x "$cli" ] || { echo "no tintsight-cli at $cli (build the native preset first)"; exit 1; }
[ -x /usr/bin/time ] || { echo "GNU time is needed: apt-get install time"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/ts_cli_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/floor" bench/floor.c

# A 24-bit BMP of W x H pixels of random content, bottom-up, rows padded to 4 bytes.
make_bmp() {
  local w=$1 h=$2 out=$3
  local stride=$(( (w * 3 + 3) / 4 * 4 ))
  local image=$(( stride * h ))
  le32() { printf '%08x' "$1" | sed -E 's/(..)(..)(..)(..)/\\x\4\\x\3\\x\2\\x\1/'; }
  {
    printf 'BM'; printf "$(le32 $((54 + image)))"; printf '\0\0\0\0'; printf "$(le32 54)"
    printf "$(le32 40)$(le32 "$w")$(le32 "$h")"; printf '\x01\0\x18\0'; printf "$(le32 0)"
    printf "$(le32 "$image")$(le32 2835)$(le32 2835)$(le32 0)$(le32 0)"
    head -c "$image" /dev/urandom
  } > "$out"
}

# Times one run: prints "wall_seconds peak_rss_mb", or "failed". Dirty pages of earlier runs are
# flushed first, so that no run pays for the writing of another.
time_once() {
  sync
  if /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>"$work/stderr"; then
    read -r wall kb < "$work/time"
    echo "$wall $((kb / 1024))"
  else
    echo failed
  fi
}

# Keeps the best run of each program: programs take turns, $runs rounds.
declare -A best_wall best_rss
measure_round() {
  local name=$1
  shift
  local result
  result=$(time_once "$@")
  if [ "$result" = failed ]; then
    best_wall[$name]=${best_wall[$name]:-failed}
    return
  fi
  read -r wall rss <<< "$result"
  local old=${best_wall[$name]:-}
  if [ -z "$old" ] || [ "$old" = failed ] || awk "BEGIN{exit !($wall < $old)}"; then
    best_wall[$name]=$wall
    best_rss[$name]=$rss
  fi
}

convert_tool=""
[ -x /usr/bin/convert ] && convert_tool=/usr/bin/convert
command -v gm >/dev/null && gm_tool=$(command -v gm) || gm_tool=""

status=0
printf '%-7s %-22s %9s %9s %11s\n' size program "wall s" "peak MB" "vs floor"
for mp in 12 96; do
  case $mp in 12) w=4000 h=3000 ;; 96) w=12000 h=8000 ;; esac
  make_bmp $w $h "$work/in.bmp"
  pixel_mb=$(( (w * 3 + 3) / 4 * 4 * h / 1048576 ))
  best_wall=() best_rss=()
  for _ in $(seq "$runs"); do
    measure_round floor "$work/floor" "$work/in.bmp" "$work/floor.bmp"
    measure_round tintsight-cli "$cli" -c 3 "$work/in.bmp" "$work/cli.bmp"
    [ -z "$convert_tool" ] || measure_round "convert -color-matrix" \
      "$convert_tool" "$work/in.bmp" -color-matrix "0 .5 .5 0 1 0 0 0 1" "BMP3:$work/im.bmp"
    [ -z "$gm_tool" ] || measure_round "gm -recolor" \
      "$gm_tool" convert "$work/in.bmp" -recolor "0 .5 .5 0 1 0 0 0 1" "BMP3:$work/gm.bmp"
  done
  cmp -s "$work/floor.bmp" "$work/cli.bmp" || { echo "tintsight-cli and the floor disagree at $mp MP"; status=1; }
  floor_wall=${best_wall[floor]}
  cli_wall=${best_wall[tintsight-cli]}
  cli_rss=${best_rss[tintsight-cli]}
  for name in floor tintsight-cli "convert -color-matrix" "gm -recolor"; do
    [ -n "${best_wall[$name]:-}" ] || continue
    if [ "${best_wall[$name]}" = failed ]; then
      printf '%-7s %-22s %9s\n' "${mp} MP" "$name" "failed"
    else
      printf '%-7s %-22s %9s %9s %10sx\n' "${mp} MP" "$name" "${best_wall[$name]}" \
        "${best_rss[$name]}" "$(awk "BEGIN{printf \"%.2f\", ${best_wall[$name]} / $floor_wall}")"
    fi
  done
  echo "        pixel bytes: ${pixel_mb} MB; memory target 2.2 x = $(( pixel_mb * 22 / 10 )) MB"
  if [ "$cli_wall" = failed ] || [ "$floor_wall" = failed ]; then
    echo "FAILED: $(cat "$work/stderr")"
    status=1
  elif [ $mp = 96 ]; then
    awk "BEGIN{exit !($cli_wall <= 1.5 * $floor_wall)}" || { echo "MISSED: wall time over 1.5 x the floor"; status=1; }
    [ "$cli_rss" -le $(( pixel_mb * 22 / 10 )) ] || { echo "MISSED: peak memory over 2.2 x the pixel bytes"; status=1; }
  fi
  rm -f "$work"/*.bmp
done
exit $status
