#!/usr/bin/env bash
# make-installer.sh BUILD_DIR OUT.exe: makes the installer from the files of
# a Windows build (build/windows) with makensis. Every file it carries must
# be there; a missing one stops makensis with its name.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="$(cd "${1:?Windows build folder}" && pwd)"
out="${2:?installer file}"
if ! command -v makensis >/dev/null; then
  echo "make-installer: makensis not found (tools/setup.sh installs the nsis package)" >&2
  exit 1
fi
mkdir -p "$(dirname "$out")"
out="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")"
version="$(sed -nE 's/^project\(ZelvoVantorPlayer VERSION ([0-9.]+).*/\1/p' "$here/../CMakeLists.txt")"
# makensis reads Windows-style paths in File; on Linux it takes "/" too.
makensis -V2 -WX -DBUILD_DIR="$build" -DOUT_FILE="$out" -DVERSION="${version:-1.0}" "$here/zelvo.nsi"
echo "make-installer: $out"
