# Sourced by the Wine helpers: the project's own Wine settings. Never touches
# the user's own prefix (~/.wine) or sound configuration.
ZELVO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
# No Mono/Gecko installers, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d"

# zelvo_has_soundcard: true when ALSA sees a card.
zelvo_has_soundcard() {
  [ -r /proc/asound/cards ] && ! grep -q 'no soundcards' /proc/asound/cards
}

# zelvo_alsa_null DIR: a project-local ALSA configuration whose default
# device is the null plugin, for machines without a sound card.
zelvo_alsa_null() {
  mkdir -p "$1"
  printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' > "$1/alsa-null.conf"
  export ALSA_CONFIG_PATH="$1/alsa-null.conf"
}

# zelvo_make_prefix PREFIX LOG: create (once) a prefix with the crash dialog off.
zelvo_make_prefix() {
  export WINEPREFIX="$1"
  if [ ! -f "$WINEPREFIX/.zelvo-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i </dev/null >>"$2" 2>&1 || true
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >>"$2" 2>&1
    wineserver -w
    touch "$WINEPREFIX/.zelvo-ready"
  fi
}

# zelvo_start_xvfb LOG: start a private X server, export DISPLAY, print its pid.
zelvo_start_xvfb() {
  local fifo pid num
  fifo="$(mktemp -u)"; mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" </dev/null >>"$1" 2>&1 &
  pid=$!
  read -r -t 30 num <"$fifo" || true
  rm -f "$fifo"
  [ -n "$num" ] || { kill "$pid" 2>/dev/null; echo "Xvfb did not start (see $1)" >&2; return 1; }
  export DISPLAY=":$num"
  ZELVO_XVFB_PID=$pid
}

# zelvo_machine: the line every benchmark prints beside its figures.
zelvo_machine() {
  echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(wine --version 2>/dev/null)"
}

# zelvo_bench_session: a Wine session for a benchmark, stopped when the
# script exits (its folder in ZELVO_BENCH_SESSION), and the machine line.
zelvo_bench_session() {
  ZELVO_BENCH_SESSION="$(mktemp -d)"
  trap '"$ZELVO_ROOT/tools/wine-session" stop "$ZELVO_BENCH_SESSION" >/dev/null; rm -rf "$ZELVO_BENCH_SESSION"' EXIT
  "$ZELVO_ROOT/tools/wine-session" start "$ZELVO_BENCH_SESSION" >/dev/null
  zelvo_machine
}
