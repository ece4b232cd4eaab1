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
cmake --build "$build" --target player_bench ZelvoPlayer Tessel effects zelvo_skins -- -j2 >/dev/null
media="$build/engine/media"
"$here/engine/tests/make-media.sh" "$media" >/dev/null
. "$here/tools/wine-env.sh"
zelvo_bench_session
ZELVO_WINE_SESSION="$ZELVO_BENCH_SESSION" "$here/tools/wine-run" "$build/player/player_bench.exe" \
  "$build/player/ZelvoPlayer.exe" "$media/red_pcm.avi" "${1:-7}" | grep -v '^ALSA'
