# Sourced by the Wine wrappers: one prefix per build tree (32- or 64-bit as the build), booted once.
: "${TS_WINE_BUILD_DIR:=$PWD}"
# Find the build tree: the nearest directory up from here that holds CMakeCache.txt.
d=$TS_WINE_BUILD_DIR
while [ "$d" != / ] && [ ! -f "$d/CMakeCache.txt" ]; do d=$(dirname "$d"); done
[ -f "$d/CMakeCache.txt" ] && TS_WINE_BUILD_DIR=$d
export WINEARCH=win32
# A 64-bit build tree runs under 64-bit Wine alone: its loader and server go first on the path, so
# that the same scripts serve both builds, also where 32-bit programs cannot run at all.
if grep -q '^CMAKE_TOOLCHAIN_FILE:.*mingw64' "$TS_WINE_BUILD_DIR/CMakeCache.txt" 2>/dev/null; then
  export WINEARCH=win64
  ts_wine_bin=$TS_WINE_BUILD_DIR/wine64-bin
  if [ ! -x "$ts_wine_bin/winepath" ]; then
    mkdir -p "$ts_wine_bin"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' > "$ts_wine_bin/wine"
    printf '#!/bin/sh\nexec /usr/lib/wine/wineserver64 "$@"\n' > "$ts_wine_bin/wineserver"
    for tool in wineboot winepath; do
      printf '#!/bin/sh\nexec /usr/lib/wine/wine64 %s.exe "$@"\n' "$tool" > "$ts_wine_bin/$tool"
    done
    chmod +x "$ts_wine_bin"/*
  fi
  export PATH="$ts_wine_bin:$PATH"
  export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="$TS_WINE_BUILD_DIR/wineprefix"

ts_wine_boot() {
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.booted" ]; then
      # Marked booted only when the boot worked, so that a failed first boot is tried again.
      if wineboot -i >/dev/null 2>&1 </dev/null; then
        wineserver -w
        ts_wine_fonts
        touch "$WINEPREFIX/.booted"
      fi
    fi
  ) 9>"$WINEPREFIX.lock"
}

# Japanese captions need real fonts: map the Windows face names to the IPA fonts (the same file
# that the Windows archive ships), and give the prefix the caption-button font.
ts_wine_fonts() {
  local reg="$WINEPREFIX/fonts.reg"
  bash "$(dirname "${BASH_SOURCE[0]}")/wine-fonts-reg.sh" "$reg"
  wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1 </dev/null
  local marlett=/usr/share/wine/fonts/marlett.ttf
  [ -f "$marlett" ] && cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
  wineserver -w
}
