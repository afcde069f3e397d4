#!/usr/bin/env bash
# Sourced by the scripts that run the Windows programs under Wine: one Wine
# prefix of Kovra's own, kept in the cache beside Qt for Windows and made
# the first time (about a minute).
wineserver=/usr/lib/wine/wineserver
wine_cache="${KOVRA_CACHE:-$HOME/.cache/kovra}"
mkdir -p "$wine_cache"
# Windows as Kovra's users have it: Russian, whose ANSI code page is 1251.
# Wine takes the language from the Linux locale, which it need not have.
wine="$wine_cache/wine-russian"
printf '#!/bin/sh\nLANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 exec /usr/lib/wine/wine64 "$@"\n' >"$wine"
chmod +x "$wine"
export WINEPREFIX="$wine_cache/wine" WINEDEBUG=-all
# No offer to install Mono or Gecko, which nothing here needs; no debugger
# waiting on a crash, which ends the program as on a user's machine.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
# Qt's offscreen platform on Windows reads its fonts from a folder: the same
# DejaVu the Linux tests draw with. Wine hides Linux's QT_ variables from
# Windows programs (they are meant for Linux's Qt); WINEQT_X sets their QT_X.
export WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\dejavu'
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making the Wine prefix $WINEPREFIX (once)"
  "$wine" wineboot --init
  "$wineserver" -w
fi

# Starts a Wine server of our own, with every loopback address bound as asked
# (see wine_exact_bind.c); the Wine programs run after it share it. Ends any
# server left over, which may hold port 571.
start_wine_server() {
  local source="$(dirname "${BASH_SOURCE[0]}")/wine_exact_bind.c"
  local shim="$wine_cache/wine_exact_bind.so"
  if [ ! -f "$shim" ] || [ "$source" -nt "$shim" ]; then
    cc -O2 -Wall -Wextra -shared -fPIC -o "$shim" "$source" -ldl
  fi
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
  LD_PRELOAD="$shim" "$wineserver" -p </dev/null >/dev/null 2>&1
}

# A Linux path as a Windows program under Wine names it (Z: is the root).
windows_path() {
  local unix="$1"
  echo "Z:${unix//\//\\}"
}

# Wine's windows, even the hidden ones Qt makes on its offscreen platform,
# need a display: a virtual one on a free display number, unless one is
# set. Sets DISPLAY, and virtual_display to the server's process.
virtual_display=""
start_virtual_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local number_file
  number_file="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number_file" </dev/null >/dev/null 2>&1 &
  virtual_display=$!
  for _ in $(seq 100); do
    [ -s "$number_file" ] && break
    sleep 0.1
  done
  export DISPLAY=":$(head -1 "$number_file")"
  rm -f "$number_file"
}
