#!/usr/bin/env bash
# The real tintsight.exe under Wine on an X display, driven with xdotool as a user would drive
# it: load a PNG through the bundled plug-in, choose "第1色　赤(明度分配)", analyse, save; the same
# with a BMP; then "終了". Each saved file must equal, byte for byte, what tintsight-cli -c 3
# writes for the same input. A screenshot of the window is kept in the output folder.
#
#   gui_end_to_end.sh SOURCE_DIR BUILD_DIR TINTSIGHT_EXE CLI_EXE OUTPUT_DIR
#
# Without a display (or without xdotool, ImageMagick) the test reports itself skipped (77).
set -u

source_dir=$1 build_dir=$2 gui=$3 cli=$4 out=$5

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; [ -n "${gui_pid:-}" ] && kill "$gui_pid" 2>/dev/null; exit 1; }

[ -n "${DISPLAY:-}" ] || skip "no X display (run inside xvfb-run)"
command -v xdotool >/dev/null || skip "xdotool is not installed"
command -v convert >/dev/null && command -v import >/dev/null || skip "ImageMagick is not installed"
xdotool getdisplaygeometry >/dev/null 2>&1 || skip "the X display $DISPLAY does not answer"

export TS_WINE_BUILD_DIR=$build_dir
. "$source_dir/cmake/wine-env.sh"
ts_wine_boot

rm -rf "$out" && mkdir -p "$out"
cp "$source_dir/samples/photo-gradient.png" "$out/landscape.png"
convert "$source_dir/samples/colour-wheel.png" -type TrueColor BMP3:"$out/wheel.bmp" \
  || fail "could not make the BMP input"

winpath() { winepath -w "$1" 2>/dev/null; }

# Polls `command` every 0.1 s for up to `seconds`; true as soon as it succeeds.
wait_for() {
  local seconds=$1; shift
  local tries=$((seconds * 10))
  while [ $tries -gt 0 ]; do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1; tries=$((tries - 1))
  done
  return 1
}

visible() { xdotool search --onlyvisible --name "$1"; }
gone() { ! xdotool search --onlyvisible --name "$1"; }

# Clicks at client coordinates of the main window.
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; }

# Drives a file dialog whose title matches `title`: types `file` (a Unix path) and presses Enter.
choose_file() {
  local title=$1 file=$2 dialog
  wait_for 20 visible "$title" || fail "no dialog titled $title"
  dialog=$(visible "$title" | head -n 1)
  xdotool windowfocus --sync "$dialog" 2>/dev/null
  sleep 0.3
  xdotool key --clearmodifiers ctrl+a BackSpace
  xdotool type --delay 2 "$(winpath "$file")"
  xdotool key Return
  wait_for 20 gone "$title" || fail "the dialog $title stayed open"
}

wait_for_file() {  # the file exists and its size has settled
  local file=$1 size=-1 now
  wait_for 20 test -s "$file" || return 1
  while now=$(stat -c %s "$file"); [ "$now" != "$size" ]; do size=$now; sleep 0.3; done
}

start=$(date +%s.%N)
wine "$gui" >"$out/wine.log" 2>&1 &
gui_pid=$!
wait_for 60 visible '^Tintsight$' || fail "the window did not appear"
shown=$(date +%s.%N)
main=$(visible '^Tintsight$' | head -n 1)
awk -v a="$start" -v b="$shown" 'BEGIN { printf "window shown after %.2f s\n", b - a }'

open_title='^(Open|開く|ファイルを開く)$'
save_title='^(Save As|Save|名前を付けて保存|保存)$'

run_case() {
  local input=$1 name=$2
  click 320 20                      # ファイルから読みこむ
  choose_file "$open_title" "$out/$input"
  # Item 3 of the six that share the group's height below its caption line.
  click 430 115                     # 第1色　赤(明度分配)
  click 320 84                      # 解析する
  sleep 0.5
  import -window root "$out/screenshot-$name.png"
  click 320 116                     # ファイルに保存する
  choose_file "$save_title" "$out/$name-gui.bmp"
  wait_for_file "$out/$name-gui.bmp" || fail "$name: nothing was saved"

  cli_input=$out/$input
  if ! wine "$cli" -c 3 "$(winpath "$cli_input")" "$(winpath "$out/$name-cli.bmp")" \
       >"$out/$name-cli.log" 2>&1; then
    # A command line without plug-ins reads BMP only: give it the same pixels as a BMP.
    echo "$name: tintsight-cli does not read $input ($(tr -d '\r' <"$out/$name-cli.log")); comparing with its result for the same pixels as BMP"
    cli_input=$out/$name-same-pixels.bmp
    convert "$out/$input" -type TrueColor BMP3:"$cli_input" || fail "$name: could not convert"
    wine "$cli" -c 3 "$(winpath "$cli_input")" "$(winpath "$out/$name-cli.bmp")" \
      >"$out/$name-cli.log" 2>&1 || fail "$name: tintsight-cli failed: $(cat "$out/$name-cli.log")"
  fi
  cmp "$out/$name-gui.bmp" "$out/$name-cli.bmp" || fail "$name: the saved file differs from tintsight-cli -c 3"
  echo "$name: saved file equals tintsight-cli -c 3 ($(stat -c %s "$out/$name-gui.bmp") bytes)"
}

run_case landscape.png landscape
run_case wheel.bmp wheel

click 285 180                       # 終了
wait_for 20 bash -c "! kill -0 $gui_pid" || fail "終了 did not end the program"
wait "$gui_pid"; status=$?
[ "$status" -eq 0 ] || fail "the program ended with exit code $status"
echo "ended with exit code 0"
