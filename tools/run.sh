#!/usr/bin/env bash
# run.sh [MEDIA FILE]: builds the player and starts the real ZelvoPlayer.exe
# under Wine with the file (without one, a demo clip the build makes).
# With DISPLAY set the player opens on that display and runs until you quit
# it. Without a display it runs on a private Xvfb for ZELVO_RUN_SECONDS
# (default 20) seconds, a screenshot is saved, and the player is closed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash tools/setup.sh
echo "run: building the Windows deliverables"
cmake --preset windows >/dev/null
cmake --build --preset windows -- -j2 >/dev/null

out="$root/out"
mkdir -p "$out"
# Everything the player loads lives beside it.
cp build/windows/player/ZelvoPlayer.exe "$out/"
for f in build/windows/engine/Tessel.dll build/windows/effects/VideoEffects.dll \
         build/windows/avirepair/Skarn.dll build/windows/player/DefaultSkin.xml \
         build/windows/player/DefaultSkin.wsz build/windows/player/WinAmpSkin.xml; do
  [ -f "$f" ] && cp "$f" "$out/"
done

media="${1:-}"
if [ -z "$media" ]; then
  media="$out/demo.avi"
  if [ ! -f "$media" ]; then
    echo "run: making the demo clip $media"
    ffmpeg -v error -y -f lavfi -i testsrc2=size=640x360:rate=25:duration=10 \
      -f lavfi -i sine=frequency=440:duration=10 -c:v mjpeg -q:v 3 -c:a pcm_s16le "$media"
  fi
fi
media="$(readlink -f "$media")"

. tools/wine-env.sh
export WINEPREFIX="$root/.wine"
zelvo_has_soundcard || zelvo_alsa_null "$out"
# The player's repair library and the effects filter are COM servers: the
# player and the engine find them through the registry.
for dll in Skarn.dll VideoEffects.dll; do
  [ -f "$out/$dll" ] || continue
  (cd "$out" && wine regsvr32 /s "$dll") >>"$out/wine.log" 2>&1 || echo "run: registering $dll failed (see $out/wine.log)"
done
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  zelvo_start_xvfb "$out/xvfb.log"; xvfb_pid=$ZELVO_XVFB_PID
  echo "run: no display, using a private Xvfb on $DISPLAY"
fi
winpath="Z:${media//\//\\}"
echo "run: starting $out/ZelvoPlayer.exe \"$winpath\" (Wine prefix $WINEPREFIX, settings file $out/Zelvo.ini)"
cd "$out"
wine ZelvoPlayer.exe "$winpath" >"$out/wine.log" 2>&1 &
player=$!
if [ -n "$xvfb_pid" ]; then
  sleep "${ZELVO_RUN_SECONDS:-20}"
  if command -v import >/dev/null; then
    import -display "$DISPLAY" -window root "$out/screenshot.png" && echo "run: screenshot saved to $out/screenshot.png"
  fi
  # Closing its windows lets the player shut down as a user would, saving
  # its settings; one that does not end in time is stopped.
  wine taskkill /im ZelvoPlayer.exe >>"$out/wine.log" 2>&1 || true
  for _ in $(seq 1 20); do kill -0 "$player" 2>/dev/null || break; sleep 0.5; done
  wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$player" 2>/dev/null || true
  echo "run: the player ran for ${ZELVO_RUN_SECONDS:-20} s and was closed; its settings are in $out/Zelvo.ini, Wine's output in $out/wine.log"
else
  wait "$player" || true
  wineserver -w 2>/dev/null || true
  echo "run: the player has exited; Wine's output is in $out/wine.log, its settings in $out/Zelvo.ini"
fi
