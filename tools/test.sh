#!/usr/bin/env bash
# Builds everything and runs every test: the native build (host g++ with
# AddressSanitizer and UndefinedBehaviorSanitizer), the i686 Windows build
# (tests under Wine, headless under Xvfb) and short libFuzzer runs (clang).
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

mkdir -p build
run_preset native
run_preset windows
run_preset fuzz
echo "test: finished in $(( $(date +%s) - start )) s"
echo "$passed passed, $failed failed"
exit $status
