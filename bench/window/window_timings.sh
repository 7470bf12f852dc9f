#!/usr/bin/env bash
# Times the main window under Wine (inside xvfb-run when there is no display):
#  - the real tintsight.exe (with its plug-in helper) from its start until its window is on the
#    screen, with no plug-in and with 50 plug-ins in its SusiePlugin folder (copies of the
#    bundled one);
#  - making the window in-process with 0 and 50 plug-ins, loaded in the program's own process
#    and in the helper, "解析する" on 24 megapixels, and
#    repainting when the window is uncovered (window_timings).
#
#   bench/window/window_timings.sh SOURCE_DIR WIN32_BUILD_DIR
set -eu
source_dir=$(cd "$1" && pwd) build_dir=$(cd "$2" && pwd)

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

export TS_WINE_BUILD_DIR=$build_dir
. "$source_dir/cmake/wine-env.sh"
ts_wine_boot
wineserver -p30 </dev/null >/dev/null 2>&1
wine cmd.exe /c exit </dev/null >/dev/null 2>&1   # Wine's own processes start here, not below

plugin=$build_dir/bin/SusiePlugin/tsimage.spi
work=$(mktemp -d)
trap 'cd /; rm -rf "$work"; wineserver -k' EXIT

for count in 0 50; do
  folder=$work/plugins-$count
  mkdir -p "$folder/SusiePlugin"
  cp "$build_dir/bin/tintsight.exe" "$build_dir/bin/tintsight-plugin-host.exe" \
     "$build_dir/bench/window/window_timings.exe" "$folder/"
  for i in $(seq 1 "$count"); do cp "$plugin" "$folder/SusiePlugin/plugin$i.spi"; done

  echo "== $count plug-ins"
  (cd "$folder" && wine ./window_timings.exe startup | tr -d '\r')
  echo "-- the same with the plug-ins in the helper:"
  (cd "$folder" && wine ./window_timings.exe startup-helper | tr -d '\r')

  times=()
  for run in 1 2 3 4 5; do
    start=$(date +%s%N)
    (cd "$folder" && wine ./tintsight.exe >/dev/null 2>&1 &)
    # Polled here: xdotool's own --sync looks only every half second.
    until xdotool search --onlyvisible --name '^Tintsight$' >/dev/null 2>&1; do sleep 0.01; done
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000000 )))
    wid=$(xdotool search --onlyvisible --name '^Tintsight$' | head -n 1)
    xdotool mousemove --window "$wid" 285 180 click 1     # 終了
    while xdotool search --onlyvisible --name '^Tintsight$' >/dev/null 2>&1; do sleep 0.1; done
    sleep 0.5
  done
  sorted=$(printf '%s\n' "${times[@]}" | sort -n | tr '\n' ' ')
  echo "tintsight.exe start to window shown (ms, 5 runs, sorted): $sorted"
done

cd "$work/plugins-0"
wine ./window_timings.exe analyse | tr -d '\r'
wine ./window_timings.exe redraw | tr -d '\r'
