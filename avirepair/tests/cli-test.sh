#!/usr/bin/env bash
# cli-test.sh AVIREPAIR WORKDIR: the command-line tool's messages and exit
# status. A Windows build (avirepair.exe) runs under Wine.
set -uo pipefail
tool="${1:?avirepair program}"; work="${2:?work folder}"
here="$(cd "$(dirname "$0")/../.." && pwd)"
rm -rf "$work"; mkdir -p "$work"
fails=0
run() {  # run ARGS...: the tool's output in $out, status in $rc
  if [[ "$tool" == *.exe ]]; then
    local args=() a
    for a in "$@"; do
      if [[ "$a" == /* ]]; then a="Z:${a//\//\\}"; fi
      args+=("$a")
    done
    out="$("$here/tools/wine-run" "$tool" "${args[@]}" 2>&1)"; rc=$?
  else
    out="$("$tool" "$@" 2>&1)"; rc=$?
  fi
}
expect() {  # expect STATUS TEXT DESCRIPTION
  if [ "$rc" != "$1" ] || ! grep -qF -- "$2" <<<"$out"; then
    echo "FAIL: $3 (status $rc, wanted $1 and \"$2\"):"; echo "$out"; fails=$((fails + 1))
  else
    echo "ok: $3"
  fi
}

ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=96x64:rate=25:duration=2 -c:v mpeg4 -vtag XVID -g 10 \
  "$work/in.avi" || { echo "ffmpeg failed"; exit 1; }
cp "$work/in.avi" "$work/keep.avi"
head -c $(( $(stat -c %s "$work/in.avi") * 2 / 3 )) "$work/in.avi" >"$work/cut.avi"
echo "just some text" >"$work/notes.txt"

run; expect 2 "usage: avirepair INPUT OUTPUT" "no arguments: usage"
run "$work/missing.avi" "$work/out1.avi"; expect 1 "cannot open the input file" "missing input"
[ ! -e "$work/missing.avi" ] && [ ! -e "$work/out1.avi" ] || { echo "FAIL: missing input created files"; fails=$((fails + 1)); }
run "$work/notes.txt" "$work/out2.avi"; expect 1 "not an AVI file" "text file as input"
[ ! -e "$work/out2.avi" ] || { echo "FAIL: text input created an output"; fails=$((fails + 1)); }
run "$work/in.avi" "$work/./in.avi"; expect 1 "the output file is the input file" "output naming the input"
cmp -s "$work/in.avi" "$work/keep.avi" || { echo "FAIL: input changed"; fails=$((fails + 1)); }
run "$work/in.avi" "$work/good.avi"; expect 0 "index:   rebuilt \"idx1\"" "intact file"
cmp -s "$work/in.avi" "$work/keep.avi" || { echo "FAIL: input changed"; fails=$((fails + 1)); }
run "$work/cut.avi" "$work/cut-fixed.avi"; expect 0 "the cut-off last chunk among them" "cut-off file"
for f in good cut-fixed; do
  err="$(ffmpeg -nostdin -v error -i "$work/$f.avi" -f null - 2>&1)" && [ -z "$err" ] \
    || { echo "FAIL: $f.avi does not decode cleanly: $err"; fails=$((fails + 1)); }
done
left="$(find "$work" -name '*idx*' -o -name '.avirepair-*' -o -name '~avirepair-*')"
[ -z "$left" ] || { echo "FAIL: temporary files left: $left"; fails=$((fails + 1)); }
echo "$fails failure(s)"
[ "$fails" = 0 ]
