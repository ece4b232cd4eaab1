#!/usr/bin/env bash
# Builds the i686 player and runs its cold-start benchmark under Wine
# (headless, ALSA null device, wineserver already up): launching
# "ZelvoPlayer.exe CLIP" to the clip's first frame on the screen, beside
# launching and ending a trivial program, alternating, in the same run.
#
#   tools/bench-player.sh [runs]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build/windows"
cmake --preset windows -S "$here" >/dev/null
cmake --build "$build" --target player_bench ZelvoPlayer Tessel effects Skarn zelvo_skins -- -j2 >/dev/null
media="$build/engine/media"
"$here/engine/tests/make-media.sh" "$media" >/dev/null
. "$here/tools/wine-env.sh"
zelvo_bench_session
# The player makes its repair object at start-up and asks about it when it
# is missing: Skarn is registered in the session's prefix first.
ZELVO_WINE_SESSION="$ZELVO_BENCH_SESSION" "$here/tools/wine-run" regsvr32 /s \
  "Z:$(printf '%s' "$build/avirepair/Skarn.dll" | tr / '\\')" >/dev/null
ZELVO_WINE_SESSION="$ZELVO_BENCH_SESSION" "$here/tools/wine-run" "$build/player/player_bench.exe" \
  "$build/player/ZelvoPlayer.exe" "$media/red_pcm.avi" "${1:-7}" | grep -v '^ALSA'
