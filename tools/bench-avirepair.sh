#!/usr/bin/env bash
# bench-avirepair.sh [MiB [ROUNDS]]: repairs a 1 GiB AVI (or MiB) with the
# optimised avirepair tool and prints its throughput beside cp and ffmpeg
# -c copy of the same file (input in the page cache, then read from the
# disk with the output synced), the ratios and the peak memory. The build
# folder is build/avi-release unless AVIREPAIR_BUILD names another.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${AVIREPAIR_BUILD:-$root/build/avi-release}"
cmake --preset native-release -B "$build" >/dev/null
cmake --build "$build" --target avirepair avirepair_bench -j2 >/dev/null
work="$build/bench-work"
mkdir -p "$work"
"$build/avirepair/avirepair_bench" "$build/avirepair/avirepair" "$work" "${1:-1024}" "${2:-3}"
