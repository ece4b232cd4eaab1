#!/usr/bin/env bash
# Builds everything and runs every test: the native build (host g++ with
# AddressSanitizer and UndefinedBehaviorSanitizer), the i686 Windows build
# (tests under Wine, headless under Xvfb), the x86_64 Windows build (compiled
# only) and short libFuzzer runs (clang).
# Installs what is missing first (tools/setup.sh).
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
start=$(date +%s)
bash tools/setup.sh || { echo "test: set-up failed" >&2; exit 1; }

passed=0; failed=0; status=0
run_preset() {
  local preset=$1 log="build/$1-ctest.log"
  echo "== $preset: configure and build"
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -- -j2; then
    echo "test: the $preset build failed" >&2
    status=1; failed=$((failed + 1)); return
  fi
  echo "== $preset: tests"
  ctest --preset "$preset" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$line" ]; then
    local total fails
    total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
    fails=$(echo "$line" | sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/')
    passed=$((passed + total - fails)); failed=$((failed + fails))
  else
    failed=$((failed + 1))
  fi
  [ "$rc" = 0 ] || status=1
}

# The 64-bit Windows build is only compiled: the code must stay correct for
# both pointer sizes, while the deliverables ship as 32-bit programs.
build_only() {
  echo "== $1: configure and build"
  if cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -- -j2 >"build/$1-build.log" 2>&1; then
    passed=$((passed + 1))
  else
    tail -30 "build/$1-build.log"
    echo "test: the $1 build failed (build/$1-build.log)" >&2
    failed=$((failed + 1)); status=1
  fi
}

mkdir -p build
run_preset native
run_preset windows
build_only windows64
run_preset fuzz
echo "test: finished in $(( $(date +%s) - start )) s"
echo "$passed passed, $failed failed"
exit $status
