#!/usr/bin/env bash
# installer-test.sh BUILD_DIR WORK_DIR WINDOW_PROBE.EXE CLIP [SCENARIOS.EXE]:
# the installer as a user meets it, in a Wine prefix made fresh for the run
# under WORK_DIR (never the prefix the other tests share). It makes the
# installer from the build's files, installs silently, checks the folder,
# the COM servers, the uninstall entry, the Start menu and the file types,
# starts the installed player on CLIP and waits for its window, plays a
# user's session with it through SCENARIOS.EXE (the clips beside CLIP; a
# picture of the screen after each step under WORK_DIR/shots), then
# uninstalls silently with a file of the user's in the folder: the registry
# must be as it was before the install, the installed files gone and the
# user's file still there. A second install without the file types
# (/NOFILETYPES) leaves them alone, and its uninstall, with the folder left
# empty, takes the folder away too.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:?build folder}" && pwd)"
work="${2:?work folder}"
probe="${3:?window probe}"
clip="${4:?clip}"
scenarios="${5:-}"
. "$root/tools/wine-env.sh"

started=$(date +%s)
fails=0
ok() { echo "ok: $1"; }
fail() { echo "FAIL: $1"; fails=$((fails + 1)); }
check() {  # check DESCRIPTION COMMAND...: the command must succeed
  local what="$1"; shift
  if "$@" >/dev/null 2>&1; then ok "$what"; else fail "$what"; fi
}
die() { echo "FAIL: $1"; echo "$((fails + 1)) failure(s)"; exit 1; }
winpath() { local p="$1"; echo "Z:${p//\//\\}"; }

[ -f "$clip" ] || die "the clip $clip is missing (the engine_media fixture makes it)"
[ -f "$probe" ] || die "the window probe $probe is missing"

# A retried run keeps the previous run's log and pictures beside its own.
rm -rf "$work.previous"
if [ -d "$work" ]; then
  mv "$work" "$work.previous"
  rm -rf "$work.previous/prefix"
fi
mkdir -p "$work"
log="$work/wine.log"
: >"$log"

# The installer from this build's files.
setup="$work/ZelvoPlayerSetup.exe"
"$root/installer/make-installer.sh" "$build" "$setup" >"$work/makensis.log" 2>&1 ||
  { cat "$work/makensis.log"; die "makensis could not make the installer"; }
ok "makensis made the installer ($(stat -c %s "$setup") bytes)"

# A prefix, a display and a sound device of the test's own; all of them
# stop when it ends, however it ends.
export WINEPREFIX="$work/prefix"
xvfb_pid=""
cleanup() {
  timeout 30 wineserver -k </dev/null >>"$log" 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  zelvo_start_xvfb "$work/xvfb.log" || die "Xvfb did not start"
  xvfb_pid=$ZELVO_XVFB_PID
fi
zelvo_has_soundcard || zelvo_alsa_null "$work"

w() { timeout -k 5 "${WAIT:-60}" wine "$@" </dev/null 2>>"$log"; }
# The 32-bit view of the registry, the one the installer and the player use.
reg32() { w reg "$@" /reg:32; }
settle() {  # waits for every program of the prefix to end
  timeout -k 5 "${1:-120}" wineserver -w </dev/null >>"$log" 2>&1
}

WAIT=180 w wineboot -i >>"$log" || die "wineboot -i could not make the prefix (see $log)"
w reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >>"$log"
# Xvfb has no window manager: the player's windows are left unmanaged.
w reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >>"$log"
settle 60 || die "the new prefix did not settle"
ok "fresh Wine prefix $WINEPREFIX"

# Associations that belong to someone else before the install: the
# installer takes over .mpg and must give it back, and never touches .asf.
reg32 add 'HKCR\.mpg' /ve /d OtherPlayer.mpg /f >>"$log"
reg32 add 'HKCR\.asf' /ve /d OtherPlayer.asf /f >>"$log"

tessel='{DDE62051-2EDC-45DA-ABBE-AB8F330D61F2}'
skarner='{2225E9BC-AFB3-4ED4-B20E-4F6CF1C39F8B}'
effects='{5753B75C-C2A8-4F18-8651-2EEA15BE41F3}'
effects_page='{0B20B1D6-B088-4B05-B9E4-9E8BBFB513E4}'
filter_category='{083863F1-70DE-11D0-BD40-00A0C911CE86}'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZelvoVantorPlayer'
extensions=(.avi .mpe .mpeg .mpg .dat)
content_type() { case "$1" in .avi) echo avifile;; .dat) echo datfile;; *) echo mpegfile;; esac; }
watched=(
  "HKCR\\CLSID\\$tessel" "HKCR\\CLSID\\$skarner" "HKCR\\CLSID\\$effects" "HKCR\\CLSID\\$effects_page"
  "HKCR\\CLSID\\$filter_category\\Instance\\$effects"
  'HKCR\Tessel.MediaEngine' 'HKCR\Tessel.MediaEngine.1' 'HKCR\Skarn.Skarner' 'HKCR\Skarn.Skarner.1'
  'HKCR\TypeLib\{AE4BE380-96E8-42E0-9CC6-BD3AE39EAB8A}' 'HKCR\TypeLib\{4D028583-2F64-4D88-877F-E795E2A38639}'
  'HKCR\AppID\Tessel.DLL' 'HKCR\AppID\Skarn.DLL' 'HKCR\ZelvoFile' "$uninstall_key"
  'HKCR\.avi' 'HKCR\.mpe' 'HKCR\.mpeg' 'HKCR\.mpg' 'HKCR\.dat' 'HKCR\.asf' 'HKCR\.wmv'
)
# The interfaces the two type libraries describe.
for iid in $(sed -nE 's/^ *uuid\(([0-9A-Fa-f-]{36})\).*/\1/p' "$root/include/tessel.idl" "$root/include/skarn.idl"); do
  watched+=("HKCR\\Interface\\{$iid}")
done
snapshot() {  # every watched key with all its values, or "absent"
  local key
  for key in "${watched[@]}"; do
    echo "== $key"
    reg32 query "$key" /s 2>/dev/null | tr -d '\r' | sed '/^$/d' || echo absent
  done
}
snapshot >"$work/registry-before.txt"
grep -q 'OtherPlayer.mpg' "$work/registry-before.txt" || die "the test could not set up .mpg's old association"
declare -A existed
for ext in "${extensions[@]}"; do
  if reg32 query "HKCR\\$ext" >/dev/null 2>&1; then existed[$ext]=1; else existed[$ext]=0; fi
done

# ---------------------------------------------------------------- install
WAIT=180 w "$(winpath "$setup")" /S >>"$log" 2>&1
rc=$?
settle 60
[ "$rc" = 0 ] || die "the silent install exited $rc (see $log)"
ok "silent install exited 0"

pf="$(w cmd /c 'echo %ProgramFiles(x86)%' | tr -d '\r')"
case "$pf" in C:\\*) ;; *) pf='C:\Program Files (x86)';; esac
instwin="$pf\\Zelvo Vantor Player"
instdir="$WINEPREFIX/drive_c/${pf#C:\\}/Zelvo Vantor Player"
instdir="${instdir//\\//}"
[ -d "$instdir" ] || die "no install folder $instdir"
ok "install folder $instwin"
installed=(ZelvoPlayer.exe Tessel.dll VideoEffects.dll Skarn.dll Configurator.exe
           DefaultSkin.xml DefaultSkin.wsz WinAmpSkin.xml Uninstall.exe)
declare -A source=(
  [ZelvoPlayer.exe]=player/ZelvoPlayer.exe [Tessel.dll]=engine/Tessel.dll
  [VideoEffects.dll]=effects/VideoEffects.dll [Skarn.dll]=avirepair/Skarn.dll
  [Configurator.exe]=configurator/Configurator.exe [DefaultSkin.xml]=player/DefaultSkin.xml
  [DefaultSkin.wsz]=player/DefaultSkin.wsz [WinAmpSkin.xml]=player/WinAmpSkin.xml)
for f in "${installed[@]}"; do
  if [ ! -f "$instdir/$f" ]; then fail "$f installed"; continue; fi
  if [ -n "${source[$f]:-}" ] && ! cmp -s "$instdir/$f" "$build/${source[$f]}"; then
    fail "$f installed is the build's ${source[$f]}"
  else
    ok "$f installed"
  fi
done
extra="$(cd "$instdir" && ls -A | grep -vxF -f <(printf '%s\n' "${installed[@]}"))"
[ -z "$extra" ] && ok "nothing else in the folder" || fail "unexpected files in the folder: $extra"

# The COM servers, registered where they were installed.
server_is() {  # server_is CLSID FILE
  reg32 query "HKCR\\CLSID\\$1\\InprocServer32" /ve 2>/dev/null | tr -d '\r' | grep -qiF "$instwin\\$2"
}
check "Tessel's MediaEngine class served by the installed Tessel.dll" server_is "$tessel" Tessel.dll
check "the Skarner class served by the installed Skarn.dll" server_is "$skarner" Skarn.dll
check "the Video Effects filter served by the installed VideoEffects.dll" server_is "$effects" VideoEffects.dll
check "its property page served by the installed VideoEffects.dll" server_is "$effects_page" VideoEffects.dll
check "the filter listed among the DirectShow filters" reg32 query "HKCR\\CLSID\\$filter_category\\Instance\\$effects"
progid_names() { reg32 query "HKCR\\$1\\CLSID" /ve 2>/dev/null | grep -qiF "$2"; }
check "ProgID Tessel.MediaEngine.1 names its class" progid_names Tessel.MediaEngine.1 "$tessel"
check "ProgID Skarn.Skarner.1 names its class" progid_names Skarn.Skarner.1 "$skarner"

# The uninstall entry and the Start menu.
value_of() {  # value_of KEY NAME: the data of one value ("" for the default)
  local out
  if [ -z "$2" ]; then out="$(reg32 query "$1" /ve 2>/dev/null)"; else out="$(reg32 query "$1" /v "$2" 2>/dev/null)"; fi
  tr -d '\r' <<<"$out" | sed -nE 's/^ +.* +REG_[A-Z_]+ +//p' | head -1
}
[ "$(value_of "$uninstall_key" DisplayName)" = "Zelvo Vantor Player" ] && ok "uninstall entry named" ||
  fail "uninstall entry named (DisplayName '$(value_of "$uninstall_key" DisplayName)')"
[ "$(value_of "$uninstall_key" UninstallString)" = "\"$instwin\\Uninstall.exe\"" ] && ok "uninstall entry runs the uninstaller" ||
  fail "uninstall entry runs the uninstaller (UninstallString '$(value_of "$uninstall_key" UninstallString)')"
menu="$(find "$WINEPREFIX/drive_c" -type d -path '*/Start Menu/Programs/Zelvo Vantor Player' 2>/dev/null | head -1)"
[ -n "$menu" ] && [ -f "$menu/Zelvo Vantor Player.lnk" ] && ok "Start menu shortcut ${menu#$WINEPREFIX/}/Zelvo Vantor Player.lnk" ||
  fail "Start menu shortcut"
[ -n "$menu" ] && grep -qa 'ZelvoPlayer.exe' "$menu/Zelvo Vantor Player.lnk" 2>/dev/null && ok "the shortcut starts ZelvoPlayer.exe" ||
  fail "the shortcut starts ZelvoPlayer.exe"

# The file types, as the player itself writes them.
for ext in "${extensions[@]}"; do
  [ "$(value_of "HKCR\\$ext" "")" = ZelvoFile ] && ok "$ext opens as ZelvoFile" || fail "$ext opens as ZelvoFile (is '$(value_of "HKCR\\$ext" "")')"
  if [ "${existed[$ext]}" = 0 ]; then
    [ "$(value_of "HKCR\\$ext" "Content Type")" = "$(content_type "$ext")" ] && ok "$ext, a new key, has content type $(content_type "$ext")" ||
      fail "$ext, a new key, has content type $(content_type "$ext")"
  fi
done
[ "$(value_of 'HKCR\.asf' "")" = OtherPlayer.asf ] && ok ".asf left to its own program" || fail ".asf left to its own program"
[ "$(value_of 'HKCR\ZelvoFile' "")" = ZelvoFile ] && ok "ZelvoFile named" || fail "ZelvoFile named"
[ "$(value_of 'HKCR\ZelvoFile\DefaultIcon' "")" = "$instwin\\ZelvoPlayer.exe,0" ] && ok "ZelvoFile's icon is the player's" ||
  fail "ZelvoFile's icon is the player's ('$(value_of 'HKCR\ZelvoFile\DefaultIcon' "")')"
[ "$(value_of 'HKCR\ZelvoFile\shell\open\command' "")" = "\"$instwin\\ZelvoPlayer.exe\" \"%1\"" ] && ok "ZelvoFile opens with the player" ||
  fail "ZelvoFile opens with the player ('$(value_of 'HKCR\ZelvoFile\shell\open\command' "")')"

# ---------------------------------------------------------------- run
# Started like its shortcut, in its folder, on a clip.
(cd "$instdir" && exec timeout -k 5 120 wine "$instwin\\ZelvoPlayer.exe" "$(winpath "$(readlink -f "$clip")")" \
   </dev/null >>"$log" 2>&1) &
player=$!
out="$(WAIT=90 w "$(winpath "$probe")" "$instwin\\ZelvoPlayer.exe" 60)"
if [ $? = 0 ]; then ok "the installed player runs: $out"; else fail "the installed player runs: $out"; fi
WAIT=30 w taskkill /im ZelvoPlayer.exe >>"$log" 2>&1
for _ in $(seq 1 60); do kill -0 "$player" 2>/dev/null || break; sleep 0.5; done
if kill -0 "$player" 2>/dev/null; then
  fail "the player ended when asked to close"
  WAIT=30 w taskkill /f /im ZelvoPlayer.exe >>"$log" 2>&1
fi
wait "$player" 2>/dev/null
settle 60

# ---------------------------------------------------------------- scenarios
# A user's session with the installed player, which runs in a scratch
# folder of its own; the WinAmp skin, when the shared skins are there, is
# handed over in that folder.
if [ -n "$scenarios" ]; then
  scratch="$work/scratch"
  shots="$work/shots"
  rm -rf "$scratch" "$shots"
  mkdir -p "$scratch" "$shots"
  skin_arg=()
  shared_skin="$root/../shared/skins/base-2.91.wsz"
  if [ -f "$shared_skin" ]; then
    cp "$shared_skin" "$scratch/base-2.91.wsz"
    skin_arg=("$(winpath "$scratch/base-2.91.wsz")")
  fi
  # A skin archive whose names climb out of the folder it is unpacked in.
  python3 - "$scratch/hostile.wsz" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.writestr("../../escaped.txt", "outside")
    z.writestr("..\\..\\evil.bmp", "BM")
    z.writestr("main.bmp", "BM")
PY
  media="$(dirname "$(readlink -f "$clip")")"
  # Files dropped on the player come from outside Wine, as from a file
  # manager on the same display: the scenarios ask this server for them.
  python3 "$root/tests/e2e/xdnd-drop.py" --serve "$scratch" >"$work/drops.log" 2>&1 &
  dropper=$!
  WAIT=300 w "$(winpath "$scenarios")" "$instwin\\ZelvoPlayer.exe" "$(winpath "$media")" "$(winpath "$scratch")" \
    "$(winpath "$shots")" "${skin_arg[@]}" >"$work/scenarios.log"
  rc=$?
  kill "$dropper" 2>/dev/null
  wait "$dropper" 2>/dev/null
  tr -d '\r' <"$work/scenarios.log" | sed 's/^/  scenario /'
  [ "$rc" = 0 ] && ok "the user's scenarios with the installed player" ||
    fail "the user's scenarios with the installed player (exit $rc, see $work/scenarios.log)"
  settle 60
  if command -v convert >/dev/null; then
    for bmp in "$shots"/*.bmp; do
      [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null && rm -f "$bmp"
    done
  fi
  ok "screenshots in $shots ($(ls "$shots" | wc -l) files)"
fi

# ---------------------------------------------------------------- uninstall
echo "the user's own notes" >"$instdir/My notes.txt"
# The uninstaller copies itself out of the folder and runs from there; the
# prefix settles once that copy has ended.
WAIT=60 w "$instwin\\Uninstall.exe" /S >>"$log" 2>&1
rc=$?
settle 120 || fail "the uninstaller ended in time"
[ "$rc" = 0 ] && ok "silent uninstall started" || fail "silent uninstall started (exit $rc)"

if [ -d "$instdir" ]; then
  left="$(cd "$instdir" && ls -A)"
  [ "$left" = "My notes.txt" ] && ok "only the user's file is left in the folder" || fail "only the user's file is left in the folder (left: $(echo $left))"
  [ "$(cat "$instdir/My notes.txt" 2>/dev/null)" = "the user's own notes" ] && ok "the user's file is unchanged" || fail "the user's file is unchanged"
else
  fail "the folder with the user's file stays"
fi
[ -z "$menu" ] || [ ! -e "$menu" ] && ok "Start menu folder removed" || fail "Start menu folder removed (left: $(ls "$menu"))"
snapshot >"$work/registry-after.txt"
if diff -u "$work/registry-before.txt" "$work/registry-after.txt" >"$work/registry.diff"; then
  ok "the registry is as before the install (${#watched[@]} keys)"
else
  fail "the registry is as before the install:"
  cat "$work/registry.diff"
fi
[ "$(value_of 'HKCR\.mpg' "")" = OtherPlayer.mpg ] && ok ".mpg given back to its own program" || fail ".mpg given back to its own program"

# Once the user has taken their file away, a second install, this time
# without the file types, and its uninstall leave no folder at all, and the
# registry as it was.
rm -f "$instdir/My notes.txt"
WAIT=180 w "$(winpath "$setup")" /S /NOFILETYPES >>"$log" 2>&1
rc=$?
settle 60
[ "$rc" = 0 ] && [ -f "$instdir/ZelvoPlayer.exe" ] && ok "installs again" || fail "installs again (exit $rc)"
server_is "$tessel" Tessel.dll && ok "the engine registered again" || fail "the engine registered again"
reg32 query 'HKCR\ZelvoFile' >/dev/null 2>&1 && fail "/NOFILETYPES leaves out ZelvoFile" || ok "/NOFILETYPES leaves out ZelvoFile"
[ "$(value_of 'HKCR\.mpg' "")" = OtherPlayer.mpg ] && ok "/NOFILETYPES leaves .mpg alone" || fail "/NOFILETYPES leaves .mpg alone"
reg32 query 'HKCR\.avi' >/dev/null 2>&1 && fail "/NOFILETYPES leaves out .avi" || ok "/NOFILETYPES leaves out .avi"
WAIT=60 w "$instwin\\Uninstall.exe" /S >>"$log" 2>&1
settle 120 || fail "the second uninstaller ended in time"
[ ! -e "$instdir" ] && ok "an empty install folder is removed" || fail "an empty install folder is removed (left: $(ls -A "$instdir"))"
snapshot >"$work/registry-after-2.txt"
diff -u "$work/registry-before.txt" "$work/registry-after-2.txt" >"$work/registry-2.diff" &&
  ok "the registry is as before after the second uninstall" ||
  { fail "the registry is as before after the second uninstall:"; cat "$work/registry-2.diff"; }

echo "installer test: $(( $(date +%s) - started )) s"
echo "$fails failure(s)"
[ "$fails" = 0 ]
