#!/usr/bin/env bash
# regsvr32-test.sh TESSEL.DLL: Windows' own registration tool registers and
# unregisters Tessel.dll in the test session's Wine prefix; the registry
# then holds (or no longer holds) the ProgID and the type library.
set -uo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
dll="Z:${1//\//\\}"
run() { "$here/tools/wine-run" "$@"; }
fails=0
check() {  # check DESCRIPTION COMMAND...: the command must succeed
  local what="$1"; shift
  if "$@" >/dev/null 2>&1; then echo "ok: $what"; else echo "FAIL: $what"; fails=$((fails + 1)); fi
}
clsid='{DDE62051-2EDC-45DA-ABBE-AB8F330D61F2}'
libid='{AE4BE380-96E8-42E0-9CC6-BD3AE39EAB8A}'

check "regsvr32 registers" run regsvr32 /s "$dll"
out="$(run reg query 'HKCR\Tessel.MediaEngine.1\CLSID' 2>&1)"
check "ProgID names the class" grep -qi "$clsid" <<<"$out"
out="$(run reg query "HKCR\\CLSID\\$clsid\\InprocServer32" 2>&1)"
check "InprocServer32 names Tessel.dll" grep -qi 'Tessel.dll' <<<"$out"
check "threading model Apartment" grep -q 'Apartment' <<<"$out"
check "class is Programmable" run reg query "HKCR\\CLSID\\$clsid\\Programmable"
out="$(run reg query "HKCR\\CLSID\\$clsid" /ve 2>&1)"
check "class description" grep -q 'MediaEngine Class' <<<"$out"
out="$(run reg query 'HKCR\Tessel.MediaEngine\CurVer' /ve 2>&1)"
check "version-independent ProgID names the current one" grep -q 'Tessel.MediaEngine.1' <<<"$out"
out="$(run reg query 'HKCR\AppID\Tessel.DLL' /v AppID 2>&1)"
check "AppID key names the AppID" grep -qi '{1E987568-EC98-479F-9C8B-DE6D815ABB39}' <<<"$out"
out="$(run reg query 'HKCR\AppID\{1E987568-EC98-479F-9C8B-DE6D815ABB39}' /ve 2>&1)"
check "AppID is named Tessel" grep -q 'Tessel' <<<"$out"
check "type library registered" run reg query "HKCR\\TypeLib\\$libid\\1.0"
check "regsvr32 /u unregisters" run regsvr32 /u /s "$dll"
if run reg query 'HKCR\Tessel.MediaEngine.1' >/dev/null 2>&1; then echo "FAIL: ProgID still there"; fails=$((fails + 1)); else echo "ok: ProgID removed"; fi
if run reg query "HKCR\\CLSID\\$clsid" >/dev/null 2>&1; then echo "FAIL: CLSID still there"; fails=$((fails + 1)); else echo "ok: CLSID removed"; fi
# Leave it registered for the other tests of the session.
check "registers again" run regsvr32 /s "$dll"
echo "$fails failure(s)"
[ "$fails" = 0 ]
