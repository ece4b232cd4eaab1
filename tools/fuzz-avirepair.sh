#!/usr/bin/env bash
# fuzz-avirepair.sh [SECONDS]: a longer libFuzzer run of the AVI repair
# (default 10 minutes) on a corpus kept in build/avi-fuzz. Crashes, hangs
# and leaks are written beside the corpus as crash-*, timeout-*, leak-*.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/avi-fuzz"
cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target avirepair_fuzzer -j2 >/dev/null
cd "$build/avirepair"
mkdir -p avirepair_fuzzer_corpus
exec ./avirepair_fuzzer -max_total_time="${1:-600}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  avirepair_fuzzer_corpus
