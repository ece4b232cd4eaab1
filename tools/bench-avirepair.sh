#!/usr/bin/env bash
# bench-avirepair.sh [MiB [ROUNDS]]: repairs a 1 GiB AVI (or MiB) with the
# optimised avirepair tool and prints its throughput beside cp and ffmpeg
# -c copy of the same file (input in the page cache, then read from the
# disk with the output synced), the ratios and the peak memory. The build
# folder is build/avi-release unless AVIREPAIR_BUILD names another.
#
# Then, under Wine, Skarn.dll of the Windows build (build/windows) repairs an
# uncompressed 511 MB AVI made by ffmpeg, alternating with CopyFileW of the
# same file in the same process (skarn_bench): both times, their medians, the
# ratio and the machine. AVIREPAIR_WINE=0 leaves that part out.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${AVIREPAIR_BUILD:-$root/build/avi-release}"
cmake --preset native-release -B "$build" >/dev/null
cmake --build "$build" --target avirepair avirepair_bench -j2 >/dev/null
work="$build/bench-work"
mkdir -p "$work"
. "$root/tools/wine-env.sh"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')"
"$build/avirepair/avirepair_bench" "$build/avirepair/avirepair" "$work" "${1:-1024}" "${2:-3}"

[ "${AVIREPAIR_WINE:-1}" = 0 ] && exit 0
winbuild="$root/build/windows"
cmake --preset windows -S "$root" >/dev/null
cmake --build "$winbuild" --target Skarn skarn_bench -- -j2 >/dev/null
media="$work/skarn-bench-raw.avi"
# 555 frames of 640 x 480 BGR: 511 MB.
ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=640x480:rate=25 -frames:v 555 -c:v rawvideo -pix_fmt bgr24 "$media"
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
echo
echo "under Wine: Skarn.dll's repair and CopyFileW, the same file, one process"
zelvo_bench_session
rc=0
ZELVO_WINE_SESSION="$ZELVO_BENCH_SESSION" "$root/tools/wine-run" "$winbuild/avirepair/skarn_bench.exe" \
  "$(winpath "$winbuild/avirepair/Skarn.dll")" "$(winpath "$media")" "$(winpath "$work")" "${2:-3}" | grep -v '^ALSA' || rc=$?
rm -f "$media"
exit "$rc"
