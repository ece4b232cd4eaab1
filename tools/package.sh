#!/usr/bin/env bash
# package.sh: builds the Windows deliverables (when anything is out of date)
# and makes the installer from them: build/package/ZelvoPlayerSetup.exe.
# Needs makensis (tools/setup.sh installs the nsis package).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
if ! command -v makensis >/dev/null; then
  echo "package: makensis not found: run tools/setup.sh" >&2
  exit 1
fi
echo "package: building the Windows deliverables"
cmake --preset windows >/dev/null
cmake --build --preset windows -- -j2 >/dev/null
out="$root/build/package/ZelvoPlayerSetup.exe"
installer/make-installer.sh build/windows "$out" >/dev/null
echo "package: the installer is $out ($(stat -c %s "$out") bytes)"
