#!/usr/bin/env bash
# Builds the i686 engine and runs its benchmark under Wine (headless, ALSA
# null device): open to first frame, command round trip, seek to a shown
# frame and end of file to the player's notification, each beside the
# platform's own graph measured in the same run.
#
#   tools/bench-engine.sh [runs]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build/windows"
cmake --preset windows -S "$here" >/dev/null
cmake --build "$build" --target engine_bench Tessel effects -- -j2 >/dev/null
media="$build/engine/media"
"$here/engine/tests/make-media.sh" "$media" >/dev/null
. "$here/tools/wine-env.sh"
zelvo_bench_session
ZELVO_WINE_SESSION="$ZELVO_BENCH_SESSION" "$here/tools/wine-run" "$build/engine/engine_bench.exe" "$media" "${1:-9}" | grep -v '^ALSA'
