; The Windows installer: the programs and assets in Program Files, a Start-menu
; shortcut and an uninstaller listed in Add/Remove Programs. /S runs either silently.
; scripts/package-windows defines STAGE (the folder of the zip), ICON, VERSION and OUTFILE.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pimo Drask"

Name "Pimo Drask"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Pimo Drask"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "Pimo Drask"
VIAddVersionKey /LANG=1033 "FileDescription" "Pimo Drask installer"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "the Pimo Drask developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${STAGE}\pimo-drask.exe"
  File "${STAGE}\pimo-sim.exe"
  File "${STAGE}\pob.exe"
  File "${STAGE}\README-windows.txt"
  File /r "${STAGE}\assets"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcut starts the game in its assets folder, as play.bat does.
  SetOutPath "$INSTDIR\assets"
  CreateShortcut "$SMPROGRAMS\Pimo Drask.lnk" "$INSTDIR\pimo-drask.exe" "" "$INSTDIR\pimo-drask.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Pimo Drask"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Pimo Drask developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\pimo-drask.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Pimo Drask.lnk"
  Delete "$INSTDIR\pimo-drask.exe"
  Delete "$INSTDIR\pimo-sim.exe"
  Delete "$INSTDIR\pob.exe"
  Delete "$INSTDIR\README-windows.txt"
  ; What the game wrote there too, where the folder was writable.
  RMDir /r "$INSTDIR\assets"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
