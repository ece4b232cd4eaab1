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
session="$(mktemp -d)"
trap '"$here/tools/wine-session" stop "$session" >/dev/null; rm -rf "$session"' EXIT
"$here/tools/wine-session" start "$session" >/dev/null
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(wine --version 2>/dev/null)"
ZELVO_WINE_SESSION="$session" "$here/tools/wine-run" "$build/engine/engine_bench.exe" "$media" "${1:-9}" | grep -v '^ALSA'
