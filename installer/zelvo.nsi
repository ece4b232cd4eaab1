; The Zelvo Vantor Player installer (NSIS 3, Unicode).
;
; makensis -DBUILD_DIR=<build/windows> -DOUT_FILE=<ZelvoPlayerSetup.exe> zelvo.nsi
;
; ZelvoPlayerSetup.exe [/S] [/NOFILETYPES] [/D=<folder>]: /S installs
; silently, /NOFILETYPES leaves out the file types, /D (last) names the
; folder.
;
; Installs the player, its engine, the Video Effects filter, the AVI repair
; library, the codec configurator and both skins into Program Files,
; registers the three COM servers through their own DllRegisterServer, adds
; Start menu entries and an uninstaller, and optionally makes the player the
; program that opens its video files. The uninstaller takes back exactly
; that: it deletes the files it installed (a file the user put in the folder
; stays, and so does the folder then) and restores the file associations it
; found.

Unicode true
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "MUI2.nsh"

!ifndef BUILD_DIR
  !error "makensis -DBUILD_DIR=<the Windows build folder> is needed"
!endif
!ifndef OUT_FILE
  !define OUT_FILE "ZelvoPlayerSetup.exe"
!endif
!ifndef VERSION
  !define VERSION "1.0"
!endif

!define PRODUCT "Zelvo Vantor Player"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZelvoVantorPlayer"
!define PROG_ID "ZelvoFile"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" ""

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\ZelvoPlayer.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The files the installer puts in $INSTDIR, so that the uninstaller deletes
; the same list and nothing else.
!macro ZELVO_FILES action
  !insertmacro ${action} "ZelvoPlayer.exe"   "player\ZelvoPlayer.exe"
  !insertmacro ${action} "Tessel.dll"        "engine\Tessel.dll"
  !insertmacro ${action} "VideoEffects.dll"  "effects\VideoEffects.dll"
  !insertmacro ${action} "Skarn.dll"         "avirepair\Skarn.dll"
  !insertmacro ${action} "Configurator.exe"  "configurator\Configurator.exe"
  !insertmacro ${action} "DefaultSkin.xml"   "player\DefaultSkin.xml"
  !insertmacro ${action} "DefaultSkin.wsz"   "player\DefaultSkin.wsz"
  !insertmacro ${action} "WinAmpSkin.xml"    "player\WinAmpSkin.xml"
!macroend
!macro ZELVO_INSTALL_FILE name source
  File "/oname=${name}" "${BUILD_DIR}\${source}"
!macroend
!macro ZELVO_DELETE_FILE name source
  Delete "$INSTDIR\${name}"
!macroend

; The COM servers, in the order they are registered (unregistered in the
; reverse order).
!macro ZELVO_REGISTER dll
  ClearErrors
  RegDLL "$INSTDIR\${dll}"
  ${If} ${Errors}
    DetailPrint "Registering ${dll} failed"
    MessageBox MB_OK|MB_ICONSTOP "${dll} could not be registered." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
!macroend
!macro ZELVO_UNREGISTER dll
  ${If} ${FileExists} "$INSTDIR\${dll}"
    ClearErrors
    UnRegDLL "$INSTDIR\${dll}"
    ${If} ${Errors}
      DetailPrint "Unregistering ${dll} failed"
    ${EndIf}
  ${EndIf}
!macroend

Section "!${PRODUCT}" SecPlayer
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  !insertmacro ZELVO_FILES ZELVO_INSTALL_FILE
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; The engine, then the filter it builds graphs with, then the repair
  ; library the player asks for.
  !insertmacro ZELVO_REGISTER "Tessel.dll"
  !insertmacro ZELVO_REGISTER "VideoEffects.dll"
  !insertmacro ZELVO_REGISTER "Skarn.dll"

  ; Shortcuts start in $INSTDIR (the output folder), where the player keeps
  ; its Zelvo.ini.
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\ZelvoPlayer.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\Codec Configurator.lnk" "$INSTDIR\Configurator.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Zelvo"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ZelvoPlayer.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; One extension as the player registers it on its own ("Auto register file
; extensions"), without asking: its default value becomes ZelvoFile, and a
; key that is new gets the content type too. What was there before is kept
; in the uninstall key ("Assoc <ext>": "new", "none" for a key without a
; default value, or "=<the old value>") so that the uninstaller can put it
; back. An extension that already names ZelvoFile is left as it is.
!macro ZELVO_ASSOCIATE ext content_type
  ClearErrors
  EnumRegKey $0 HKCR "${ext}" 0
  ${If} ${Errors}
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Assoc ${ext}" "new"
    WriteRegStr HKCR "${ext}" "" "${PROG_ID}"
    WriteRegStr HKCR "${ext}" "Content Type" "${content_type}"
  ${Else}
    ClearErrors
    ReadRegStr $0 HKCR "${ext}" ""
    ${If} ${Errors}
      WriteRegStr HKLM "${UNINSTALL_KEY}" "Assoc ${ext}" "none"
      WriteRegStr HKCR "${ext}" "" "${PROG_ID}"
    ${ElseIf} $0 != "${PROG_ID}"
      WriteRegStr HKLM "${UNINSTALL_KEY}" "Assoc ${ext}" "=$0"
      WriteRegStr HKCR "${ext}" "" "${PROG_ID}"
    ${EndIf}
  ${EndIf}
!macroend

; Undoes one extension: if it still names ZelvoFile, the old default value
; comes back (or none); a key the installer made loses its content type and
; goes when nothing else is left in it.
!macro ZELVO_UNASSOCIATE ext
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "Assoc ${ext}"
  ReadRegStr $0 HKCR "${ext}" ""
  ${If} $0 == "${PROG_ID}"
    StrCpy $2 $1 1
    ${If} $2 == "="
      StrCpy $2 $1 "" 1
      WriteRegStr HKCR "${ext}" "" $2
    ${Else}
      DeleteRegValue HKCR "${ext}" ""
    ${EndIf}
  ${EndIf}
  ${If} $1 == "new"
    DeleteRegValue HKCR "${ext}" "Content Type"
    DeleteRegKey /ifempty HKCR "${ext}"
  ${EndIf}
!macroend

!macro ZELVO_EXTENSIONS action
  !insertmacro ${action} ".avi" "avifile"
  !insertmacro ${action} ".mpe" "mpegfile"
  !insertmacro ${action} ".mpeg" "mpegfile"
  !insertmacro ${action} ".mpg" "mpegfile"
  !insertmacro ${action} ".dat" "datfile"
!macroend
!macro ZELVO_UNASSOCIATE_2 ext content_type
  !insertmacro ZELVO_UNASSOCIATE "${ext}"
!macroend

Section "Open video files with the player" SecFileTypes
  !insertmacro ZELVO_EXTENSIONS ZELVO_ASSOCIATE
  WriteRegStr HKCR "${PROG_ID}" "" "${PROG_ID}"
  WriteRegStr HKCR "${PROG_ID}\DefaultIcon" "" "$INSTDIR\ZelvoPlayer.exe,0"
  WriteRegStr HKCR "${PROG_ID}\shell\open\command" "" '"$INSTDIR\ZelvoPlayer.exe" "%1"'
  ; Explorer reads the associations once; it is told they changed
  ; (SHCNE_ASSOCCHANGED, SHCNF_IDLIST).
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

; The file types are on unless the command line says /NOFILETYPES (the
; way to leave them out of a silent install).
Function .onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/NOFILETYPES" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecFileTypes}
  ${EndIf}
FunctionEnd

LangString DESC_SecPlayer ${LANG_ENGLISH} "The player, its engine, the Video Effects filter, the AVI repair library, the codec configurator and the skins."
LangString DESC_SecFileTypes ${LANG_ENGLISH} "Makes the player the program that opens .avi, .mpe, .mpeg, .mpg and .dat files."
!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPlayer} $(DESC_SecPlayer)
  !insertmacro MUI_DESCRIPTION_TEXT ${SecFileTypes} $(DESC_SecFileTypes)
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "Uninstall"
  SetShellVarContext all

  ; The file types, whether the installer or the player itself wrote them:
  ; ZelvoFile names the program that is going away.
  !insertmacro ZELVO_EXTENSIONS ZELVO_UNASSOCIATE_2
  DeleteRegKey HKCR "${PROG_ID}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  !insertmacro ZELVO_UNREGISTER "Skarn.dll"
  !insertmacro ZELVO_UNREGISTER "VideoEffects.dll"
  !insertmacro ZELVO_UNREGISTER "Tessel.dll"

  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Codec Configurator.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  !insertmacro ZELVO_FILES ZELVO_DELETE_FILE
  ; The player's own settings and playlist, written beside it as it runs.
  Delete "$INSTDIR\Zelvo.ini"
  Delete "$INSTDIR\default.m3u"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only an empty folder goes: what the user put there stays.
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
