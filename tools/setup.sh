#!/usr/bin/env bash
# Installs, from Debian's packages, everything needed to build, test and run
# the player, and fetches the zlib sources that carry minizip. Idempotent: a
# second run finds everything in place and only checks.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

need_pkgs=(
  mingw-w64 mingw-w64-tools g++-mingw-w64-i686 g++-mingw-w64-x86-64
  libz-mingw-w64-dev cmake ninja-build xvfb xauth x11-apps imagemagick
  googletest g++ clang libclang-rt-14-dev ffmpeg libswscale-dev
  wine wine32 wine64 libwine-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
  gstreamer1.0-libav:i386 libgl1:i386 libgl1-mesa-dri:i386
  dpkg-dev zlib1g-dev python3 nsis
)

# A mirror in the middle of a sync fails an index now and then: the lists
# are fetched again a few times, and the install goes on with what came.
apt_update() {
  local attempt
  for attempt in 1 2 3; do
    $SUDO apt-get update -qq && return 0
    echo "setup: apt-get update failed (attempt $attempt), trying again" >&2
    sleep 15
  done
  echo "setup: some package lists could not be fetched; installing from the others" >&2
}
# The i386 and amd64 halves of a multiarch package must have one version;
# when only one half of the security lists arrived they cannot, and the
# install is made from the main archive alone.
apt_install_without_security() {
  local parts
  parts="$(mktemp -d)"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    awk 'BEGIN { RS = ""; ORS = "\n\n" } !/debian-security/' /etc/apt/sources.list.d/debian.sources \
      > "$parts/main.sources"
  fi
  if [ -f /etc/apt/sources.list ]; then
    grep -v debian-security /etc/apt/sources.list | grep '^deb' > "$parts/main.list" || true
  fi
  local opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$parts")
  echo "setup: installing from the main archive without the security updates" >&2
  $SUDO apt-get "${opts[@]}" update -qq || true
  $SUDO apt-get "${opts[@]}" install -y -qq --no-install-recommends "$@" >/dev/null
  local rc=$?
  rm -rf "$parts"
  $SUDO apt-get update -qq >/dev/null 2>&1 || true
  return $rc
}
apt_install() {
  local attempt
  for attempt in 1 2; do
    $SUDO apt-get install -y -qq --no-install-recommends "$@" >/dev/null && return 0
    echo "setup: apt-get install failed (attempt $attempt)" >&2
    apt_update
  done
  apt_install_without_security "$@"
}

missing=()
for p in "${need_pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${#missing[@]} Debian packages: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt_update
  apt_install "${missing[@]}"
else
  echo "setup: all Debian packages present"
fi

# zlib's source package carries minizip; it is fetched, never committed.
third="$here/.deps"
if [ ! -f "$third/minizip/unzip.c" ]; then
  echo "setup: fetching zlib sources for minizip"
  # Source lines mirror the machine's own binary lines (deb822 or one-line).
  srcfile=/etc/apt/sources.list.d/zelvo-deb-src.sources
  if ! apt-get source --print-uris -qq zlib/bookworm >/dev/null 2>&1; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $SUDO tee "$srcfile" >/dev/null
    else
      grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $SUDO tee /etc/apt/sources.list.d/zelvo-deb-src.list >/dev/null
    fi
    apt_update
  fi
  tmp="$(mktemp -d)"
  (cd "$tmp" && apt-get source --download-only -qq zlib/bookworm 2>/dev/null >/dev/null && dpkg-source -x --no-check zlib_*.dsc src >/dev/null)
  mkdir -p "$third/minizip"
  cp "$tmp"/src/contrib/minizip/{unzip.c,unzip.h,ioapi.c,ioapi.h,iowin32.c,iowin32.h,crypt.h} "$third/minizip/"
  rm -rf "$tmp"
fi
# The project's own Wine prefix, for the run command (tests make their own
# under the build folder). The user's ~/.wine is never touched.
. "$here/tools/wine-env.sh"
if [ ! -f "$here/.wine/.zelvo-ready" ]; then
  echo "setup: creating the Wine prefix $here/.wine"
  mkdir -p "$here/.deps"
  zelvo_make_prefix "$here/.wine" "$here/.deps/wine-setup.log"
  wineserver -k 2>/dev/null || true
fi
echo "setup: done"
