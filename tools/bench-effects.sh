#!/usr/bin/env bash
# Builds the optimised native pixel core and runs its benchmark: frames and
# bytes per second of the effect pass and every conversion at 720 x 576 and
# 1920 x 1080, side by side with memcpy and FFmpeg's libswscale.
#
#   tools/bench-effects.sh [--build-dir DIR] [bench_effects options]
#     bench_effects options: --level plain|sse2|avx2|all  --seconds S
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build/native-release"
if [ "${1:-}" = "--build-dir" ]; then
  build="$2"
  shift 2
fi
cmake --preset native-release -S "$here" -B "$build" >/dev/null
cmake --build "$build" --target bench_effects -j2
exec "$build/effects/bench_effects" "$@"
